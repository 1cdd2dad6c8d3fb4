#include "SchaduleImportDlg.h"

#include "Resource.h"
#include "SchaduleLoadDlg.h"
#include "ViewerApp.h"

CSchaduleImportDlg::CSchaduleImportDlg(QWidget* parent)
    : COutlookImportDlg(IDD_SCHADULE_IMPORT, QStringLiteral("スケジュール読み込み"),
                        CImportSession::Kind::Schedules, IDC_DUPLICATE_CHECK,
                        QStringLiteral("日付およびタイトル"), parent) {}

std::unique_ptr<COutlookLoadDlg> CSchaduleImportDlg::MakeLoadDlg() {
    return std::make_unique<CSchaduleLoadDlg>(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget()
                                                                     : nullptr);
}
