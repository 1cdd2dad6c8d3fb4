#pragma once

#include "OutlookLoadDlg.h"

// The progress dialog of the address import.
class CAddressLoadDlg : public COutlookLoadDlg {
public:
    static constexpr int IDD = 136;

    explicit CAddressLoadDlg(QWidget* parent);
};
