#include "MainFrame.h"

#include <QStatusBar>

#include "AddressImportDlg.h"
#include "Dialog.h"
#include "ImportTakeBack.h"
#include "LoginDlg.h"
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
            statusBar()->showMessage(said);
    });
}

bool CMainFrame::OnCreate() {
    if (!CreateToolBar() || !CreateStatusBar())
        return false;
    // The login is the first thing the message loop runs.
    PostCommand(ID_LOGIN);
    return true;
}

void CMainFrame::OnLogin() {
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
