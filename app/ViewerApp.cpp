#include "ViewerApp.h"

#include <QMdiArea>

#include <iostream>

#include "AboutDlg.h"
#include "AddressDocument.h"
#include "AddressView.h"
#include "BackendTable.h"
#include "BoardDoc.h"
#include "BoardView.h"
#include "ChildFrame.h"
#include "DocTemplate.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "MonitorDoc.h"
#include "MonitorView.h"
#include "Resource.h"
#include "Resources.h"
#include "SchaduleDoc.h"
#include "SchaduleView.h"
#include "UserDoc.h"
#include "UserView.h"

std::string g_strLoginUser;

namespace {

template <typename Document, typename View>
std::unique_ptr<CDocTemplate> MakeTemplate(int resourceId, CViewerSession& session) {
    // The framework takes ownership of the frame and the view it is handed.
    return std::make_unique<CDocTemplate>(
        resourceId, CResources::DocString(resourceId), [] { return std::make_unique<Document>(); },
        [] { return new CChildFrame; }, [&session] { return new View(session); });
}

} // namespace

CViewerApp* ViewerApp() {
    return static_cast<CViewerApp*>(AfxGetApp());
}

CViewerApp::CViewerApp()
    : CWinApp(QString::fromUtf8(kAppName), QStringLiteral("kelvo")), m_session(g_strLoginUser) {
    const std::pair<int, int> views[] = {{ID_VIEW_USER, IDR_USERTYPE},
                                         {ID_VIEW_SCHADULE, IDR_SCHADULETYPE},
                                         {ID_VIEW_ADDRESS, IDR_ADDRESSTYPE},
                                         {ID_VIEW_BOARD, IDR_BOARDTYPE},
                                         {ID_VIEW_MONITOR, IDR_MONITORTYPE}};
    for (int kind = 0; kind < kKindCount; ++kind) {
        int templateId = views[kind].second;
        OnCommand(views[kind].first, [this, kind, templateId] { OnViewCommand(kind, templateId); });
    }
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
}

bool CViewerApp::InitInstance() {
    // Every text of the program is Japanese, whatever the locale: Qt's own
    // (file dialogs, standard buttons, the system menu) are made so too.
    if (!LoadQtTranslations(QStringLiteral("ja")))
        std::cerr << "kelvo-View: Qt's Japanese translations (qtbase_ja.qm) are not installed; "
                     "Qt's own texts stay English"
                  << std::endl;
    LoadStdProfileSettings(4);
    AddDocTemplate(MakeTemplate<CUserDoc, CUserView>(IDR_USERTYPE, m_session));
    AddDocTemplate(MakeTemplate<CSchaduleDoc, CSchaduleView>(IDR_SCHADULETYPE, m_session));
    AddDocTemplate(MakeTemplate<CAddressDocument, CAddressView>(IDR_ADDRESSTYPE, m_session));
    AddDocTemplate(MakeTemplate<CBoardDoc, CBoardView>(IDR_BOARDTYPE, m_session));
    AddDocTemplate(MakeTemplate<CMonitorDoc, CMonitorView>(IDR_MONITORTYPE, m_session));

    auto frame = std::make_unique<CMainFrame>();
    if (!frame->LoadFrame(CResources::Frame(), IDR_MAINFRAME, QStringLiteral("kelvo-View")))
        return false;
    SetMainWnd(std::move(frame));
    // The command line is read by nobody: no file is opened at start.
    m_pMainWnd->show();
    m_pMainWnd->update();
    return true;
}

int CViewerApp::ExitInstance() {
    // Children close before the backend goes, so kvShutdown is the last call.
    DestroyMainWindow();
    if (KvBackend().kvShutdown != nullptr)
        KvBackend().kvShutdown();
    return CWinApp::ExitInstance();
}

void CViewerApp::OnViewCommand(int kind, int templateId) {
    if (CView* view = m_pOpenView[kind]) {
        CMDIChildWnd* frame = view->GetParentFrame();
        QWidget* window = frame != nullptr ? static_cast<QWidget*>(frame) : view;
        window->raise();
        if (window->isMinimized())
            window->showNormal();
        if (frame != nullptr && m_pMainWnd != nullptr)
            m_pMainWnd->MdiArea()->setActiveSubWindow(frame);
        return;
    }
    // The first template whose short name occurs past the start of the kind's document string.
    QString wanted = CResources::DocString(templateId);
    for (const auto& docTemplate : Templates()) {
        QString shortName = docTemplate->GetDocString(CDocTemplate::fileNewName);
        if (!shortName.isEmpty() && wanted.indexOf(shortName) > 0) {
            docTemplate->OpenDocumentFile(nullptr);
            return;
        }
    }
}

void CViewerApp::ClosePrivateWindows() {
    if (m_pMainWnd == nullptr)
        return;
    for (QMdiSubWindow* window : m_pMainWnd->MdiArea()->subWindowList()) {
        auto* frame = dynamic_cast<CMDIChildWnd*>(window);
        CView* view = frame != nullptr ? frame->GetActiveView() : nullptr;
        if (dynamic_cast<CSchaduleView*>(view) != nullptr ||
            dynamic_cast<CAddressView*>(view) != nullptr)
            frame->close();
    }
}

void CViewerApp::OnAppAbout() {
    CAboutDlg dialog(MainWidget());
    dialog.DoModal();
}
