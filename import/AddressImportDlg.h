#pragma once

#include "OutlookImportDlg.h"

// The address import: runs the load dialog with the logged-in user's address
// book open and in its update phase, and releases both afterwards.
class CAddressImportDlg : public COutlookImportDlg {
public:
    static constexpr int IDC_DUPLICATE_CHECK = 1013;

    explicit CAddressImportDlg(QWidget* parent);

protected:
    std::unique_ptr<COutlookLoadDlg> MakeLoadDlg() override;
};
