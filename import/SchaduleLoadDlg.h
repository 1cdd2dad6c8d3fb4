#pragma once

#include "OutlookLoadDlg.h"

// The progress dialog of the schedule import.
class CSchaduleLoadDlg : public COutlookLoadDlg {
public:
    explicit CSchaduleLoadDlg(QWidget* parent);
};
