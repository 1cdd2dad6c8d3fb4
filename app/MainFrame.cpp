#include "MainFrame.h"

#include <QFileInfo>

#include "AddressImportDlg.h"
#include "BackendTable.h"
#include "Dialog.h"
#include "ImportTakeBack.h"
#include "LoginDlg.h"
#include "MessageBox.h"
#include "Resource.h"
#include "SchaduleImportDlg.h"
#include "ViewerApp.h"

CMainFrame::CMainFrame() {
    OnCommand(ID_LOGIN, [this] { OnLogin(); });
    OnCommand(ID_IMPORT_ADDRESS, [this] {
        CAddressImportDlg dialog(this, ViewerApp()->Session().LoginUser());
        dialog.DoModal();
    });
    OnCommand(ID_IMPORT_SCHADULE, [this] {
        CSchaduleImportDlg dialog(this, ViewerApp()->Session().LoginUser());
        dialog.DoModal();
    });
    OnCommand(ID_UNDO_IMPORT, [this] {
        const QString said = CImportTakeBack::Run(this);
        if (!said.isEmpty())
            SetMessageText(said);
    });
}

bool CMainFrame::OnCreate() {
    if (!CreateToolBar() || !CreateStatusBar())
        return false;
    // The login is the first thing the message loop runs.
    PostCommand(ID_LOGIN);
    return true;
}

void CMainFrame::TellWhere() {
    char location[4096] = {};
    if (KvBackend().kvDatabaseLocation(location, sizeof(location)) != KV_LOCATION_DESK)
        return;
    const QString path = QString::fromLocal8Bit(location);
    if (QFileInfo::exists(path))
        return;
    // A bare account: before a password is asked for that cannot work yet.
    CMessageBox::Show(this,
                      QStringLiteral("この端末には、まだグループウェアがありません。\n"
                                     "このまま使うと、この端末だけの空のグループウェアが次の場所に"
                                     "作られます:\n%1\n\n"
                                     "事務所のグループウェアを使うには、管理者に聞いたサーバーの"
                                     "アドレスを ~/.config/kelvo/kelvo.conf に\n"
                                     "    database = postgresql://サーバー/データベース\n"
                                     "と書くか（環境変数 KELVO_DATABASE でも指定できます）、"
                                     "もう一度起動してください。\n"
                                     "この端末だけで使うときは、ユーザーを kelvo-admin user add で"
                                     "作ってからログインします。")
                          .arg(path));
}

void CMainFrame::OnLogin() {
    if (!m_bToldWhere) {
        m_bToldWhere = true;
        TellWhere();
    }
    CLoginDlg dialog(this);
    if (dialog.DoModal() == CDialog::IDOK) {
        // A shared desktop never shows one person's own entries to the next.
        const std::string& previous = ViewerApp()->Session().LoginUser();
        if (!previous.empty() && previous != dialog.m_strUserName)
            ViewerApp()->ClosePrivateWindows();
        ViewerApp()->Session().SetLoginUser(dialog.m_strUserName);
        PostCommand(ID_VIEW_USER);
    } else {
        PostClose();
    }
}
