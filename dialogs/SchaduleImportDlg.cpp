#include "SchaduleImportDlg.h"

#include "SchaduleLoadDlg.h"
#include "WinApp.h"

CSchaduleImportDlg::CSchaduleImportDlg(QWidget* parent, std::string owner)
    : COutlookImportDlg(IDD, QStringLiteral("スケジュール読み込み"),
                        CImportSession::Kind::Schedules, IDC_DUPLICATE_CHECK,
                        QStringLiteral("日付およびタイトル"), parent, std::move(owner)) {}

std::unique_ptr<COutlookLoadDlg> CSchaduleImportDlg::MakeLoadDlg() {
    return std::make_unique<CSchaduleLoadDlg>(AfxGetApp() != nullptr ? AfxGetApp()->MainWidget()
                                                                     : nullptr);
}
