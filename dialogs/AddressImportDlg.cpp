#include "AddressImportDlg.h"

#include "AddressLoadDlg.h"
#include "WinApp.h"

CAddressImportDlg::CAddressImportDlg(QWidget* parent, std::string owner)
    : COutlookImportDlg(IDD, QStringLiteral("アドレス帳読み込み"), CImportSession::Kind::Addresses,
                        IDC_DUPLICATE_CHECK, QStringLiteral("姓名および会社名"), parent,
                        std::move(owner)) {}

std::unique_ptr<COutlookLoadDlg> CAddressImportDlg::MakeLoadDlg() {
    return std::make_unique<CAddressLoadDlg>(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget()
                                                                    : nullptr);
}
