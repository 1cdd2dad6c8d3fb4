#include "AddressImportDlg.h"

#include "AddressLoadDlg.h"
#include "Resource.h"
#include "ViewerApp.h"

CAddressImportDlg::CAddressImportDlg(QWidget* parent)
    : COutlookImportDlg(IDD_ADDRESS_IMPORT, QStringLiteral("アドレス帳読み込み"),
                        CImportSession::Kind::Addresses, IDC_DUPLICATE_CHECK,
                        QStringLiteral("姓名および会社名"), parent) {}

std::unique_ptr<COutlookLoadDlg> CAddressImportDlg::MakeLoadDlg() {
    return std::make_unique<CAddressLoadDlg>(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget()
                                                                    : nullptr);
}
