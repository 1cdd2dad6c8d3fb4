#include "SchaduleLoadDlg.h"

#include "OutlookScheduleReader.h"
#include "Resource.h"
#include "ViewerApp.h"

CSchaduleLoadDlg::CSchaduleLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD_SCHADULE_LOAD, QStringLiteral("Outlook スケジュール読み込み"), parent) {}

std::unique_ptr<COutlookTabReader> CSchaduleLoadDlg::MakeReader() {
    return std::make_unique<COutlookScheduleReader>(*m_pFile, g_strLoginUser, m_bPublic != 0,
                                                    m_bDuplicateCheck != 0);
}
