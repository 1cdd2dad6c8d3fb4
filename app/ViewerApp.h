#pragma once

#include <string>

#include "ViewerSession.h"
#include "WinApp.h"

class CView;

// The application object: registers the five kinds of list window, creates
// the main frame, handles the view commands and About, and shuts the backend
// down at the end.
class CViewerApp : public CWinApp {
public:
    static constexpr int kKindCount = CViewerSession::kKindCount;
    // The program's name: its windows' and message boxes' caption.
    static constexpr const char* kAppName = "kelvo-View";

    CViewerApp();

    bool InitInstance() override;
    int ExitInstance() override;

    // What the windows and dialogs share: the logged-in user, the open views.
    CViewerSession& Session() { return m_session; }
    // Closes every window that shows the logged-in person's own entries
    // (schedules, address book): a different person signed in.
    void ClosePrivateWindows();

private:
    CViewerSession m_session;

public:
    // The view registered for each kind of window; null when none is open.
    CView* (&m_pOpenView)[kKindCount] = m_session.m_pOpenView;

private:
    // Brings the registered window of kind to the front, else opens template templateId.
    void OnViewCommand(int kind, int templateId);
    void OnAppAbout();
};

// The running application object.
CViewerApp* ViewerApp();

// The logged-in user's name (code page 932): empty at start, replaced on every
// successful login, never cleared.
extern std::string g_strLoginUser;
