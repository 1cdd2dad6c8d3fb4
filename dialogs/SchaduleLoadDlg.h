#pragma once

#include "OutlookLoadDlg.h"

// The progress dialog of the schedule import.
class CSchaduleLoadDlg : public COutlookLoadDlg {
public:
    static constexpr int IDD = 138;

    explicit CSchaduleLoadDlg(QWidget* parent);
};
