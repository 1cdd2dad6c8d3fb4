#pragma once

#include "MDIFrameWnd.h"

// The main frame: tool bar, status bar, the login at start and the import commands.
class CMainFrame : public CMDIFrameWnd {
public:
    CMainFrame();

protected:
    bool OnCreate() override;

private:
    void OnLogin();
};
