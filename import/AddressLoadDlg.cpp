#include "AddressLoadDlg.h"

#include "Resource.h"

CAddressLoadDlg::CAddressLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD_ADDRESS_LOAD, QStringLiteral("Outlook アドレス帳読み込み"), parent) {}
