#pragma once

#include "OutlookImportDlg.h"

// The schedule import: runs the load dialog with the logged-in user's
// schedules open, and closes them afterwards.
class CSchaduleImportDlg : public COutlookImportDlg {
public:
    static constexpr int IDC_DUPLICATE_CHECK = 1015;

    static constexpr int IDD = 137;

    // owner: the logged-in user (code page 932), whose schedules the import fills.
    CSchaduleImportDlg(QWidget* parent, std::string owner);

protected:
    std::unique_ptr<COutlookLoadDlg> MakeLoadDlg() override;
};
