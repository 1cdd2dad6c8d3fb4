#pragma once

#include "OutlookImportDlg.h"

// The schedule import: runs the load dialog with the logged-in user's
// schedules open, and closes them afterwards.
class CSchaduleImportDlg : public COutlookImportDlg {
public:
    static constexpr int IDC_DUPLICATE_CHECK = 1015;

    explicit CSchaduleImportDlg(QWidget* parent);

protected:
    std::unique_ptr<COutlookLoadDlg> MakeLoadDlg() override;
};
