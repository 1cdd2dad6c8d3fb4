#include "SchaduleLoadDlg.h"

CSchaduleLoadDlg::CSchaduleLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD, QStringLiteral("Outlook スケジュール読み込み"), parent) {}
