#pragma once

#include <QMainWindow>

#include <map>

#include "CmdTarget.h"
#include "CommandIds.h"
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
    // Says text in the status bar's message pane, until a menu or tool bar
    // item's prompt replaces it (what a desktop program says without a box).
    void SetMessageText(const QString& text);
    int CurrentMenu() const { return m_nCurrentMenu; }

    // Runs a command through the routing now; false when nobody handles it.
    bool ExecuteCommand(int id);
    // Queues a command, like a posted WM_COMMAND.
    void PostCommand(int id);
    // Queues a close request, like a posted WM_CLOSE.
    void PostClose();
    // Asks the routing for every command's state and sets the actions.
    void UpdateCommandUI();
    // Sets the title from the application's name and the active document:
    // "<application name> - doc", or "<application name> - [child]" while the child is
    // maximised.
    void UpdateFrameTitle();
    QString FrameTitle() const;

    // Adds a new child to the client area where a cascade would put the next
    // one, at three quarters of the client area.
    void AddChild(QMdiSubWindow* child);
    // Cascades the children that are not minimised from the top left, each
    // at two thirds of the client area, the active one on top.
    void CascadeChildren();
    // Where the index-th window of a cascade goes, at fraction of the client
    // area (in client-area coordinates); each is offset by a title bar's height.
    QRect CascadeRect(int index, double fraction) const;

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

protected:
    // Creates the bars; false fails the frame's creation.
    virtual bool OnCreate() { return true; }
    bool CreateToolBar();
    bool CreateStatusBar();

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(int id);
    void ShowMenu(int menuId);
    void FillMenu(QMenu* menu, const std::vector<CMenuItem>& items);
    void RebuildWindowMenu(QMenu* menu, const std::vector<CMenuItem>& items);
    void OnChildActivated(QMdiSubWindow* window);
    void ArrangeIcons();
    void AddWindowKeys();
    int CascadeStep() const;

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
