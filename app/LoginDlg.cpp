#include "LoginDlg.h"

#include <QComboBox>
#include <QLineEdit>

#include <cstring>
#include <iostream>
#include <memory>

#include "BackendTable.h"
#include "Cp932.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "Resource.h"
#include "Text.h"
#include "WaitCursor.h"

namespace {

CDialogTemplate LoginTemplate() {
    return CDialogTemplate{
        IDD_LOGIN,
        QStringLiteral("ログイン"),
        209,
        62,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {-1, CControlDef::Static, QStringLiteral("ユーザー名"), 5, 10, 40, 8},
            {CLoginDlg::IDC_USER_NAME, CControlDef::Edit, QString(), 50, 5, 50, 14},
            {-1, CControlDef::Static, QStringLiteral("パスワード"), 5, 30, 40, 8},
            {CLoginDlg::IDC_PASSWORD, CControlDef::Edit, QString(), 50, 25, 50, 14,
             CControlDef::Password},
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 145, 10, 50, 14},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("終了"), 145, 30, 50, 14},
            {CLoginDlg::IDC_USER_LIST, CControlDef::ComboBox, QString(), 125, 45, 80, 265,
             CControlDef::Hidden | CControlDef::NoTabStop | CControlDef::Sorted},
        }};
}

// The reason the groupware cannot be used goes to standard error too, for
// whoever looks after the desktop.
void ReportUnusableBackend(std::string reason = KvLastError()) {
    if (!reason.empty())
        std::cerr << "kelvo-View: the groupware cannot be used: " << CCp932::ToUtf8(reason)
                  << std::endl;
}

} // namespace

CLoginDlg::CLoginDlg(QWidget* parent) : CDialog(LoginTemplate(), parent) {}

void CLoginDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_USER_NAME, m_strUserName);
    DDX_Text(dx, IDC_PASSWORD, m_strPassword);
}

bool CLoginDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (auto* list = Item<QComboBox>(IDC_USER_LIST)) {
        // Opening may wait for another program's lock.
        CWaitCursor wait;
        const CBackendTable& backend = KvBackend();
        // A failure here is said at OK, where the check fails for the same reason
        // (before a sign-in on the office server nothing can be read at all).
        bool opened = backend.kvOpenUsers("", nullptr, 0) != 0;
        auto record = std::make_unique<kvUserRecord>();
        while (backend.kvNextUser(record.get(), 1))
            list->addItem(CText::FromCp932(
                record->userName, CCp932::FieldLength(record->userName, sizeof(record->userName))));
        m_bNoUsers = opened && list->count() == 0 && KvLastError().empty();
        backend.kvCloseUsers();
        list->model()->sort(0);
    }
    return true;
}

void CLoginDlg::OnOK() {
    const QString wrong = QStringLiteral("ユーザー名またはパスワードが違います");
    bool exchanged = UpdateData(true);
    if (Item<QLineEdit>(IDC_USER_NAME)->text().isEmpty())
        return;
    // A character code page 932 cannot hold can match no stored name or password.
    if (!exchanged) {
        CMessageBox::Show(this, wrong);
        return;
    }
    // Nobody could ever sign in: say how the first user is made.
    if (m_bNoUsers) {
        CMessageBox::Show(this,
                          QStringLiteral("このグループウェアにはユーザーが登録されていません。"
                                         "\n最初のユーザーは次のコマンドで作成します:\n"
                                         "kelvo-admin user add ユーザー名"));
        return;
    }
    std::string reason;
    bool accepted = false;
    {
        // The check may wait for another program's lock or for the server.
        CWaitCursor wait;
        accepted = KvBackend().kvCheckPassword(m_strUserName.c_str(), m_strPassword.c_str()) != 0;
        if (!accepted)
            reason = KvLastError();
    }
    if (accepted) {
        CDialog::OnOK();
        return;
    }
    // No reason: a wrong name or password (the two are never told apart). The
    // library waits longer after each, which a person is told of in time.
    if (reason.empty()) {
        ++m_nFailures;
        CMessageBox::Show(
            this, m_nFailures < kFailuresToWarnOf
                      ? wrong
                      : wrong + QStringLiteral("\n\n%1 回続けて違っていたため、確認に時間がかかる"
                                               "ようになっています（1 回に最大 8 秒）。")
                                    .arg(m_nFailures));
        return;
    }
    ReportUnusableBackend(reason);
    CMessageBox::Show(this, QStringLiteral("ログインできません。グループウェアのデータベースを"
                                           "使用できません。\n\n理由: %1")
                                .arg(CText::FromCp932(reason.data(), reason.size())));
}
