#include "SchaduleLoadDlg.h"

#include "Resource.h"

CSchaduleLoadDlg::CSchaduleLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD_SCHADULE_LOAD, QStringLiteral("Outlook スケジュール読み込み"), parent) {}
