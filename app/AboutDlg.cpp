#include "AboutDlg.h"

#include "Resource.h"

namespace {

CDialogTemplate AboutTemplate() {
    return CDialogTemplate{
        IDD_ABOUTBOX,
        QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(RuvView)"),
        217,
        55,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {128, CControlDef::Icon, QString(), 11, 17, 20, 20},
            {-1, CControlDef::Static, QStringLiteral("RuvView Version 1, 0, 3, 42"), 40, 10, 119,
             8},
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 178, 7, 32, 14},
        }};
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(AboutTemplate(), parent) {}
