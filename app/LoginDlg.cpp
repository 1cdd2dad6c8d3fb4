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

enum { IDC_USER_LIST = 1000, IDC_USER_NAME = 1004, IDC_PASSWORD = 1005 };

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
            {IDC_USER_NAME, CControlDef::Edit, QString(), 50, 5, 50, 14},
            {-1, CControlDef::Static, QStringLiteral("パスワード"), 5, 30, 40, 8},
            {IDC_PASSWORD, CControlDef::Edit, QString(), 50, 25, 50, 14, CControlDef::Password},
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 145, 10, 50, 14},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("終了"), 145, 30, 50, 14},
            {IDC_USER_LIST, CControlDef::ComboBox, QString(), 125, 45, 80, 265,
             CControlDef::Hidden | CControlDef::NoTabStop | CControlDef::Sorted},
        }};
}

// The login shows nothing when the backend cannot be used (the user can only
// try again), but the reason must reach someone: standard error.
void ReportUnusableBackend() {
    std::string reason = KvLastError();
    if (!reason.empty())
        std::cerr << "kelvo-View: the user records cannot be read: " << CCp932::ToUtf8(reason)
                  << std::endl;
}

// Byte-wise equality of a record field (read no further than its width) and a text.
bool FieldEquals(const char* field, size_t width, const std::string& text) {
    return std::string(field, CCp932::FieldLength(field, width)) == text;
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
        if (!backend.kvOpenUsers("", nullptr, 0))
            ReportUnusableBackend();
        auto record = std::make_unique<kvUserRecord>();
        while (backend.kvNextUser(record.get(), 1))
            list->addItem(CText::FromCp932(
                record->userName, CCp932::FieldLength(record->userName, sizeof(record->userName))));
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
    bool accepted = false;
    {
        // Opening may wait for another program's lock.
        CWaitCursor wait;
        const CBackendTable& backend = KvBackend();
        if (!backend.kvOpenUsers(nullptr, m_strUserName.c_str(), 0)) {
            ReportUnusableBackend();
            return;
        }
        auto record = std::make_unique<kvUserRecord>();
        std::memset(record.get(), 0, sizeof(*record));
        accepted = backend.kvNextUser(record.get(), 1) != 0 &&
                   FieldEquals(record->userName, sizeof(record->userName), m_strUserName) &&
                   FieldEquals(record->password, sizeof(record->password), m_strPassword);
        backend.kvCloseUsers();
    }
    if (accepted)
        CDialog::OnOK();
    else
        CMessageBox::Show(this, wrong);
}
