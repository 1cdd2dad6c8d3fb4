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
    // At the first login of a desk with no groupware of its own yet and
    // none configured: says where one will be made and how to reach the
    // office's instead.
    void TellWhere();

    bool m_bToldWhere = false;
};
