#include "PasswordDlg.h"

#include <QLabel>

#include "BackendTable.h"
#include "Cp932.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "Text.h"
#include "WaitCursor.h"

namespace {

CDialogTemplate PasswordTemplate() {
    return CDialogTemplate{
        CPasswordDlg::IDD,
        QStringLiteral("パスワード変更"),
        223,
        72,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 165, 5, 50, 14},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("ｷｬﾝｾﾙ"), 165, 24, 50, 14},
            // The labels take the width their eight full-width characters need in
            // today's fonts, and the boxes stand clear of them.
            // Whose password changes: another user may be the one selected.
            {CPasswordDlg::IDC_USER_NAME, CControlDef::Static, QString(), 7, 8, 150, 8},
            {-1, CControlDef::Static, QStringLiteral("古いパスワード"), 7, 30, 60, 8},
            {CPasswordDlg::IDC_OLD_PASSWORD, CControlDef::Edit, QString(), 72, 25, 60, 14,
             CControlDef::Password},
            {-1, CControlDef::Static, QStringLiteral("新しいパスワード"), 7, 50, 60, 8},
            {CPasswordDlg::IDC_NEW_PASSWORD, CControlDef::Edit, QString(), 72, 50, 60, 14,
             CControlDef::Password},
        }};
}

} // namespace

CPasswordDlg::CPasswordDlg(QWidget* parent, const std::string& userName, size_t maxNewLength)
    : CDialog(PasswordTemplate(), parent), m_strUserName(userName), m_nMaxNewLength(maxNewLength) {}

bool CPasswordDlg::OnInitDialog() {
    if (auto* name = Item<QLabel>(IDC_USER_NAME))
        name->setText(QStringLiteral("ユーザー: %1").arg(CText::FromCp932(m_strUserName)));
    return CDialog::OnInitDialog();
}

void CPasswordDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_NEW_PASSWORD, m_strNewPassword);
    DDX_Text(dx, IDC_OLD_PASSWORD, m_strOldPassword);
}

void CPasswordDlg::OnOK() {
    const QString wrong = QStringLiteral("パスワードが違います");
    CDataExchange dx(this, true);
    DoDataExchange(dx);
    // An old password that code page 932 cannot hold cannot be the stored one.
    if (dx.FailedOn(IDC_OLD_PASSWORD)) {
        CMessageBox::Show(this, wrong);
        return;
    }
    if (dx.FailedOn(IDC_NEW_PASSWORD)) {
        CMessageBox::Show(this,
                          QStringLiteral("新しいパスワードに使用できない文字が含まれています"));
        return;
    }
    if (CCp932::CharacterCount(m_strNewPassword) < static_cast<size_t>(kMinimumCharacters)) {
        CMessageBox::Show(
            this,
            QStringLiteral("新しいパスワードは %1 文字以上にしてください").arg(kMinimumCharacters));
        return;
    }
    if (m_strNewPassword.size() > m_nMaxNewLength) {
        CMessageBox::Show(
            this,
            QStringLiteral("新しいパスワードが長すぎます（%1 バイトまで）").arg(m_nMaxNewLength));
        return;
    }
    std::string reason;
    bool changed = false;
    {
        CWaitCursor wait;
        changed = KvBackend().kvChangePassword(m_strUserName.c_str(), m_strOldPassword.c_str(),
                                               m_strNewPassword.c_str()) != 0;
        if (!changed)
            reason = KvLastError();
    }
    if (changed) {
        CDialog::OnOK();
        return;
    }
    // No reason: the old password is wrong (or the user has gone).
    if (reason.empty())
        CMessageBox::Show(this, wrong);
    else
        CMessageBox::Show(this, QStringLiteral("パスワードを変更できません。\n\n理由: %1")
                                    .arg(CText::FromCp932(reason.data(), reason.size())));
}
