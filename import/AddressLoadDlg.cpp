#include "AddressLoadDlg.h"

#include "OutlookAddressReader.h"
#include "Resource.h"
#include "ViewerApp.h"

CAddressLoadDlg::CAddressLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD_ADDRESS_LOAD, QStringLiteral("Outlook アドレス帳読み込み"), parent) {}

std::unique_ptr<COutlookTabReader> CAddressLoadDlg::MakeReader() {
    return std::make_unique<COutlookAddressReader>(*m_pFile, g_strLoginUser, m_bPublic != 0,
                                                   m_bDuplicateCheck != 0);
}
