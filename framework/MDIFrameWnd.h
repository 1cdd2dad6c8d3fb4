#pragma once

#include <QMainWindow>

#include <map>

#include "CommandIds.h"
#include "CmdTarget.h"
#include "FrameResources.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class CMDIChildWnd;

// The MDI main frame: one QAction per command ID (objectName = the ID), the
// menu of the active child's template, tool bar, status bar, accelerators, and
// command routing: active child (view, document, frame), this frame, then the
// application. A command nobody handles is disabled.
class CMDIFrameWnd : public QMainWindow, public CCmdTarget {
public:
    CMDIFrameWnd();
    ~CMDIFrameWnd() override;

    // Builds the frame from resources; menu defaultMenu shows while no child is
    // open. Runs OnCreate; false when the frame cannot be created.
    bool LoadFrame(const CFrameResources& resources, int defaultMenu, const QString& title);

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CMDIChildWnd* MDIGetActive() const;
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* MessagePane() const { return m_pMessagePane; }
    int CurrentMenu() const { return m_nCurrentMenu; }

    // Runs a command through the routing now; false when nobody handles it.
    bool ExecuteCommand(int id);
    // Queues a command, like a posted WM_COMMAND.
    void PostCommand(int id);
    // Queues a close request, like a posted WM_CLOSE.
    void PostClose();
    // Asks the routing for every command's state and sets the actions.
    void UpdateCommandUI();
    // Sets the title from the application's name and the active document.
    void UpdateFrameTitle();

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

protected:
    // Creates the bars; false fails the frame's creation.
    virtual bool OnCreate() { return true; }
    bool CreateToolBar();
    bool CreateStatusBar();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(int id);
    void ShowMenu(int menuId);
    void FillMenu(QMenu* menu, const std::vector<CMenuItem>& items);
    void RebuildWindowMenu(QMenu* menu, const std::vector<CMenuItem>& items);
    void OnChildActivated(QMdiSubWindow* window);
    void ArrangeIcons();

    CFrameResources m_resources;
    int m_nDefaultMenu = 0;
    int m_nCurrentMenu = 0;
    QString m_strTitle;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pMessagePane = nullptr;
    std::map<int, QAction*> m_actions;
    std::vector<QMenu*> m_menus;
    bool m_bUpdating = false;
};
