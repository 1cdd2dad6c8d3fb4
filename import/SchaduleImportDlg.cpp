#include "SchaduleImportDlg.h"

#include "BackendTable.h"
#include "Resource.h"
#include "SchaduleLoadDlg.h"
#include "ViewerApp.h"

CSchaduleImportDlg::CSchaduleImportDlg(QWidget* parent)
    : COutlookImportDlg(IDD_SCHADULE_IMPORT, QStringLiteral("スケジュール読み込み"),
                        IDC_DUPLICATE_CHECK, QStringLiteral("日付およびタイトル"), parent) {}

void CSchaduleImportDlg::Import(COutlookTextFile& file) {
    const CBackendTable& backend = KvBackend();
    if (!backend.kvOpenSchedules(g_strLoginUser.c_str(), nullptr))
        return;
    CSchaduleLoadDlg load(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget() : nullptr);
    load.Run(file, m_strFileName, m_bPublic, m_bDuplicateCheck);
    backend.kvCloseSchedules();
}
