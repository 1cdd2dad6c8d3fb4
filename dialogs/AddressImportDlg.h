#pragma once

#include "OutlookImportDlg.h"

// The address import: runs the load dialog with the logged-in user's address
// book open and in its update phase, and releases both afterwards.
class CAddressImportDlg : public COutlookImportDlg {
public:
    static constexpr int IDC_DUPLICATE_CHECK = 1013;

    static constexpr int IDD = 134;

    // owner: the logged-in user (code page 932), whose address book the import fills.
    CAddressImportDlg(QWidget* parent, std::string owner);

protected:
    std::unique_ptr<COutlookLoadDlg> MakeLoadDlg() override;
};
