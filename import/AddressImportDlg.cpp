#include "AddressImportDlg.h"

#include "AddressLoadDlg.h"
#include "BackendTable.h"
#include "Resource.h"
#include "ViewerApp.h"

CAddressImportDlg::CAddressImportDlg(QWidget* parent)
    : COutlookImportDlg(IDD_ADDRESS_IMPORT, QStringLiteral("アドレス帳読み込み"),
                        IDC_DUPLICATE_CHECK, QStringLiteral("姓名および会社名"), parent) {}

void CAddressImportDlg::Import(COutlookTextFile& file) {
    const CBackendTable& backend = KvBackend();
    const char* owner = g_strLoginUser.c_str();
    if (!backend.kvOpenAddressBook(owner, -1, 0, 0, 0))
        return;
    if (backend.kvBeginAddressUpdate(owner)) {
        CAddressLoadDlg load(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget() : nullptr);
        load.Run(file, m_strFileName, m_bPublic, m_bDuplicateCheck);
        backend.kvEndAddressUpdate();
    }
    backend.kvCloseAddressBook();
}
