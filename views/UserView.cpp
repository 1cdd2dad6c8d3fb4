#include "UserView.h"

#include <cstring>
#include <memory>

#include "BackendTable.h"
#include "CmdUI.h"
#include "ListCtrl.h"
#include "MDIFrameWnd.h"
#include "PasswordDlg.h"
#include "RecordText.h"
#include "Text.h"
#include "ViewerCommands.h"
#include "ViewerSession.h"
#include "WinApp.h"

namespace {

const CColumnDef kColumns[] = {{"ユーザー名", 200}, {"よみ", 200}, {"グループ", 500}};

} // namespace

CUserView::CUserView(CViewerSession& session)
    : CDefultListView(session, KIND_USER, kColumns, static_cast<int>(std::size(kColumns))) {
    OnCommand(ID_CHANGE_PASSWORD, [this] { OnChangePassword(); });
    OnUpdateCommandUI(ID_CHANGE_PASSWORD,
                      [this](CCmdUI& ui) { ui.Enable(GetListCtrl().GetSelectedCount() > 0); });
}

void CUserView::OnInitialUpdate() {
    CDefultListView::OnInitialUpdate();
    if (!KvBackend().kvOpenUsers("", nullptr, 0))
        CheckReadFailure();
    Fill();
}

void CUserView::Fill() {
    CListCtrl& list = GetListCtrl();
    const CBackendTable& backend = KvBackend();
    list.DeleteAllItems();
    backend.kvRewindUsers();
    auto record = std::make_unique<kvUserRecord>();
    for (int row = 0; backend.kvNextUser(record.get(), 1); ++row) {
        list.InsertItem(row, KV_FIELD_TEXT(*record, userName));
        list.SetItemText(row, 1, KV_FIELD_TEXT(*record, reading));
        std::string groups;
        for (const auto& group : record->groups) {
            std::string_view name = CRecordText::Field(group, sizeof(group));
            if (name.empty())
                continue;
            if (!groups.empty())
                groups += '/';
            groups += name;
        }
        list.SetItemText(row, 2, groups);
    }
    CheckReadFailure();
}

void CUserView::OnDestroy() {
    CDefultListView::OnDestroy();
    KvBackend().kvCloseUsers();
}

void CUserView::OnChangePassword() {
    CListCtrl& list = GetListCtrl();
    int row = 0;
    while (row < list.GetItemCount() &&
           !(list.GetItemState(row, CListCtrl::LVIS_SELECTED) & CListCtrl::LVIS_SELECTED))
        ++row;
    if (row >= list.GetItemCount())
        return;
    const std::string name = list.GetItemText(row, 0);
    if (name.empty())
        return;
    const CBackendTable& backend = KvBackend();
    auto record = std::make_unique<kvUserRecord>();
    std::memset(record.get(), 0, sizeof(*record));
    if (!backend.kvGetUser(name.c_str(), record.get()))
        return;
    // The dialog changes the password through the backend, which checks the
    // old one; the record goes back exactly as it came (the backend keeps the
    // new password, whatever the record's password field holds).
    CPasswordDlg dialog(this, name, sizeof(record->password) - 1);
    if (dialog.DoModal() != CDialog::IDOK)
        return;
    backend.kvUpdateUser(name.c_str(), record.get());
    if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr)
        app->m_pMainWnd->SetMessageText(
            QStringLiteral("%1 のパスワードを変更しました").arg(CText::FromCp932(name)));
}
