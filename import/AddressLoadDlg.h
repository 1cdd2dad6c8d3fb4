#pragma once

#include "OutlookLoadDlg.h"

// The progress dialog of the address import.
class CAddressLoadDlg : public COutlookLoadDlg {
public:
    explicit CAddressLoadDlg(QWidget* parent);
};
