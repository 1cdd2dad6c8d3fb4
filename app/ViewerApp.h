#pragma once

#include <string>

#include "WinApp.h"

class CView;

// Kind indexes: the slots of the open-view table.
enum : int { KIND_USER = 0, KIND_SCHADULE = 1, KIND_ADDRESS = 2, KIND_BOARD = 3, KIND_MONITOR = 4 };

// The application object: registers the five kinds of list window, creates
// the main frame, handles the view commands and About, and shuts the backend
// down at the end.
class CViewerApp : public CWinApp {
public:
    static constexpr int kKindCount = 5;

    CViewerApp();

    bool InitInstance() override;
    int ExitInstance() override;

    // The view registered for each kind of window; null when none is open.
    CView* m_pOpenView[kKindCount] = {};

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
