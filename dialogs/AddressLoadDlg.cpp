#include "AddressLoadDlg.h"

CAddressLoadDlg::CAddressLoadDlg(QWidget* parent)
    : COutlookLoadDlg(IDD, QStringLiteral("Outlook アドレス帳読み込み"), parent) {}
