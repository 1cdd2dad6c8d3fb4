#include "MDIFrameWnd.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolBar>

#include <algorithm>
#include <set>

#include "CmdUI.h"
#include "DocTemplate.h"
#include "Document.h"
#include "IconPainter.h"
#include "MDIChildWnd.h"
#include "View.h"
#include "WinApp.h"

namespace {

// A button face: the desktop theme's icon of the freedesktop name, else the
// program's own drawing of it.
QIcon ButtonIcon(int id) {
    using Kind = CIconPainter::Kind;
    static const std::map<int, std::pair<const char*, Kind>> faces = {
        {57635, {"edit-cut", Kind::Cut}},
        {57634, {"edit-copy", Kind::Copy}},
        {57637, {"edit-paste", Kind::Paste}},
        {57607, {"document-print", Kind::Print}},
        {57664, {"help-about", Kind::Help}}};
    auto face = faces.find(id);
    if (face == faces.end())
        return QIcon();
    return CIconPainter::ThemeIcon(face->second.first, face->second.second);
}

} // namespace

CMDIFrameWnd::CMDIFrameWnd() {
    m_pMdiArea = new QMdiArea(this);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* window) { OnChildActivated(window); });
    OnCommand(ID_WINDOW_NEW, [this] {
        CMDIChildWnd* child = MDIGetActive();
        if (child != nullptr && child->GetActiveView() != nullptr &&
            child->GetActiveView()->GetDocument() != nullptr && child->GetTemplate() != nullptr)
            child->GetTemplate()->OpenNewWindow(child->GetActiveView()->GetDocument());
    });
    OnUpdateCommandUI(ID_WINDOW_NEW, [this](CCmdUI& ui) { ui.Enable(MDIGetActive() != nullptr); });
    OnCommand(ID_WINDOW_CASCADE, [this] { CascadeChildren(); });
    OnCommand(ID_WINDOW_TILE_HORZ, [this] { m_pMdiArea->tileSubWindows(); });
    OnCommand(ID_WINDOW_ARRANGE, [this] { ArrangeIcons(); });
    for (int id : {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE})
        OnUpdateCommandUI(id, [this](CCmdUI& ui) { ui.Enable(MDIGetActive() != nullptr); });
    OnCommand(ID_APP_EXIT, [this] { close(); });
    OnCommand(ID_VIEW_TOOLBAR, [this] {
        if (m_pToolBar != nullptr)
            m_pToolBar->setVisible(!m_pToolBar->isVisible());
    });
    OnUpdateCommandUI(ID_VIEW_TOOLBAR, [this](CCmdUI& ui) {
        ui.Enable(m_pToolBar != nullptr);
        ui.SetCheck(m_pToolBar != nullptr && m_pToolBar->isVisibleTo(this));
    });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    OnUpdateCommandUI(ID_VIEW_STATUS_BAR, [this](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetCheck(statusBar()->isVisibleTo(this));
    });
    AddWindowKeys();
}

void CMDIFrameWnd::AddWindowKeys() {
    // The keys of a multiple-document program, besides the platform's own.
    auto add = [this](const QKeySequence& keys, void (QMdiArea::*slot)()) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, m_pMdiArea, slot);
        addAction(action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_F6), &QMdiArea::activateNextSubWindow);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), &QMdiArea::activatePreviousSubWindow);
    // Ctrl+F4 closes the active child. Where the platform's close key is
    // Ctrl+F4, the child's own system menu has it (a second binding would make
    // the key ambiguous and do nothing); on X11 it is Ctrl+W there, so the
    // frame binds Ctrl+F4 itself.
    const QKeySequence closeKey(Qt::CTRL | Qt::Key_F4);
    if (!QKeySequence::keyBindings(QKeySequence::Close).contains(closeKey))
        add(closeKey, &QMdiArea::closeActiveSubWindow);
}

CMDIFrameWnd::~CMDIFrameWnd() {
    // The children go with the base class, after this part of the frame is gone: what they
    // signal on the way must no longer reach it.
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
        window->disconnect(this);
    m_pMdiArea->disconnect(this);
}

bool CMDIFrameWnd::LoadFrame(const CFrameResources& resources, int defaultMenu,
                             const QString& title) {
    m_resources = resources;
    m_nDefaultMenu = defaultMenu;
    m_strTitle = title;

    std::set<int> ids;
    std::function<void(const std::vector<CMenuItem>&)> collect =
        [&](const std::vector<CMenuItem>& items) {
            for (const CMenuItem& item : items) {
                if (item.id != 0)
                    ids.insert(item.id);
                collect(item.items);
            }
        };
    for (const auto& menu : m_resources.menus)
        collect(menu.second);
    for (const auto& accelerator : m_resources.accelerators)
        ids.insert(accelerator.second);
    for (int id : m_resources.toolBar)
        if (id != 0)
            ids.insert(id);
    for (int id : ids)
        MakeAction(id);
    for (const auto& [keys, id] : m_resources.accelerators) {
        QAction* action = m_actions[id];
        QList<QKeySequence> shortcuts = action->shortcuts();
        shortcuts.append(keys);
        action->setShortcuts(shortcuts);
    }

    ShowMenu(defaultMenu);
    UpdateFrameTitle();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * 3 / 4);
    if (!OnCreate())
        return false;
    // Tool bar buttons follow their commands whenever the event loop is about to wait.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { UpdateCommandUI(); });
    UpdateCommandUI();
    return true;
}

QAction* CMDIFrameWnd::MakeAction(int id) {
    auto* action = new QAction(this);
    action->setObjectName(QString::number(id));
    QString text = m_resources.strings.count(id) ? m_resources.strings.at(id) : QString();
    int newline = text.indexOf(QLatin1Char('\n'));
    action->setStatusTip(newline < 0 ? text : text.left(newline));
    if (newline >= 0)
        action->setToolTip(text.mid(newline + 1));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] {
        UpdateCommandUI();
        if (m_actions.at(id)->isEnabled())
            ExecuteCommand(id);
    });
    addAction(action); // accelerators work whether or not a menu shows the command
    m_actions[id] = action;
    return action;
}

QAction* CMDIFrameWnd::Action(int id) const {
    auto found = m_actions.find(id);
    return found != m_actions.end() ? found->second : nullptr;
}

void CMDIFrameWnd::ShowMenu(int menuId) {
    auto found = m_resources.menus.find(menuId);
    if (found == m_resources.menus.end())
        return;
    m_nCurrentMenu = menuId;
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* old : m_menus)
        old->deleteLater();
    m_menus.clear();
    for (const CMenuItem& popup : found->second) {
        QMenu* menu = bar->addMenu(popup.text);
        m_menus.push_back(menu);
        menu->setObjectName(popup.text);
        if (popup.isWindowMenu) {
            std::vector<CMenuItem> items = popup.items;
            connect(menu, &QMenu::aboutToShow, this,
                    [this, menu, items] { RebuildWindowMenu(menu, items); });
            RebuildWindowMenu(menu, items);
        } else {
            FillMenu(menu, popup.items);
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
    }
}

void CMDIFrameWnd::FillMenu(QMenu* menu, const std::vector<CMenuItem>& items) {
    for (const CMenuItem& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (!item.items.empty()) {
            FillMenu(menu->addMenu(item.text), item.items);
        } else {
            QAction* action = m_actions.at(item.id);
            action->setText(item.text); // menus may word one command differently
            action->setCheckable(item.id == ID_VIEW_TOOLBAR || item.id == ID_VIEW_STATUS_BAR);
            menu->addAction(action);
        }
    }
}

void CMDIFrameWnd::RebuildWindowMenu(QMenu* menu, const std::vector<CMenuItem>& items) {
    menu->clear();
    FillMenu(menu, items);
    QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (!windows.isEmpty())
        menu->addSeparator();
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* entry =
            menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        // Only the active window carries a check; the others show none.
        bool active = window == m_pMdiArea->activeSubWindow();
        entry->setCheckable(active);
        entry->setChecked(active);
        connect(entry, &QAction::triggered, this, [this, window] {
            window->showNormal();
            m_pMdiArea->setActiveSubWindow(window);
        });
    }
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
    return dynamic_cast<CMDIChildWnd*>(m_pMdiArea->activeSubWindow());
}

bool CMDIFrameWnd::OnCmdMsg(int id, CCmdUI* pUI) {
    CMDIChildWnd* child = MDIGetActive();
    if (child != nullptr && child->OnCmdMsg(id, pUI))
        return true;
    if (CCmdTarget::OnCmdMsg(id, pUI))
        return true;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(id, pUI);
}

bool CMDIFrameWnd::ExecuteCommand(int id) {
    CCmdUI ui(id);
    OnCmdMsg(id, &ui);
    if (!ui.m_bEnabled)
        return false;
    return OnCmdMsg(id, nullptr);
}

void CMDIFrameWnd::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { ExecuteCommand(id); }, Qt::QueuedConnection);
}

void CMDIFrameWnd::PostClose() {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void CMDIFrameWnd::UpdateCommandUI() {
    if (m_bUpdating)
        return;
    m_bUpdating = true;
    for (const auto& [id, action] : m_actions) {
        CCmdUI ui(id);
        OnCmdMsg(id, &ui);
        if (action->isEnabled() != ui.m_bEnabled)
            action->setEnabled(ui.m_bEnabled);
        if (ui.m_bCheckSet && action->isChecked() != ui.m_bChecked)
            action->setChecked(ui.m_bChecked);
    }
    m_bUpdating = false;
}

QString CMDIFrameWnd::FrameTitle() const {
    CMDIChildWnd* child = MDIGetActive();
    // A maximised child shares the frame's title bar: its own title, number included.
    if (child != nullptr && child->isMaximized())
        return m_strTitle + QStringLiteral(" - [") + child->windowTitle() + QStringLiteral("]");
    CView* view = child != nullptr ? child->GetActiveView() : nullptr;
    CDocument* document = view != nullptr ? view->GetDocument() : nullptr;
    return document != nullptr ? m_strTitle + QStringLiteral(" - ") + document->GetTitle()
                               : m_strTitle;
}

void CMDIFrameWnd::UpdateFrameTitle() {
    QString title = FrameTitle();
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMDIFrameWnd::AddChild(QMdiSubWindow* child) {
    int others = 0;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
        if (window != child && !window->isMinimized())
            ++others;
    m_pMdiArea->addSubWindow(child);
    // An explicit geometry keeps the area's own placement (into free corners) away.
    child->setGeometry(CascadeRect(others, 0.75));
    connect(child, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateFrameTitle(); });
}

void CMDIFrameWnd::CascadeChildren() {
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList(QMdiArea::StackingOrder))
        if (window != active && !window->isMinimized() && !window->isHidden())
            windows.append(window);
    if (active != nullptr && !active->isMinimized())
        windows.append(active); // last, so that it ends on top
    int index = 0;
    for (QMdiSubWindow* window : windows) {
        if (window->isMaximized())
            window->showNormal();
        window->setGeometry(CascadeRect(index++, 2.0 / 3.0));
        window->raise();
    }
    if (active != nullptr)
        m_pMdiArea->setActiveSubWindow(active);
    UpdateFrameTitle();
}

int CMDIFrameWnd::CascadeStep() const {
    // A title bar and the frame above it, so that every title stays readable.
    QStyleOptionTitleBar option;
    option.initFrom(m_pMdiArea);
    option.titleBarFlags = Qt::SubWindow;
    QStyle* style = m_pMdiArea->style();
    int title = style->pixelMetric(QStyle::PM_TitleBarHeight, &option, nullptr);
    int frame = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, nullptr);
    return std::max(8, title + frame);
}

QRect CMDIFrameWnd::CascadeRect(int index, double fraction) const {
    QRect client = m_pMdiArea->viewport()->rect();
    QSize size(std::max(1, static_cast<int>(client.width() * fraction)),
               std::max(1, static_cast<int>(client.height() * fraction)));
    int step = CascadeStep();
    // As many steps as keep a window inside the client area; then the top left again.
    int fits = std::max(1, std::min((client.width() - size.width()) / step,
                                    (client.height() - size.height()) / step) +
                               1);
    int offset = (index % fits) * step;
    return QRect(QPoint(offset, offset), size);
}

void CMDIFrameWnd::OnChildActivated(QMdiSubWindow* window) {
    auto* child = dynamic_cast<CMDIChildWnd*>(window);
    int menu = m_nDefaultMenu;
    if (child != nullptr && child->GetTemplate() != nullptr &&
        m_resources.menus.count(child->GetTemplate()->ResourceId()))
        menu = child->GetTemplate()->ResourceId();
    // When the last child goes, Qt reports no active window: back to the default menu.
    if (window == nullptr && !m_pMdiArea->subWindowList().isEmpty())
        return;
    if (menu != m_nCurrentMenu)
        ShowMenu(menu);
    UpdateFrameTitle();
    UpdateCommandUI();
}

void CMDIFrameWnd::ArrangeIcons() {
    int x = 0;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        window->move(x, m_pMdiArea->viewport()->height() - window->height());
        x += window->width();
    }
}

bool CMDIFrameWnd::CreateToolBar() {
    m_pToolBar = addToolBar(QString());
    m_pToolBar->setObjectName(QString::number(ID_VIEW_TOOLBAR));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : m_resources.toolBar) {
        if (id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.at(id);
        action->setIcon(ButtonIcon(id));
        m_pToolBar->addAction(action);
    }
    return true;
}

bool CMDIFrameWnd::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(ID_VIEW_STATUS_BAR));
    bar->setSizeGripEnabled(true);
    m_pMessagePane = new QLabel(m_resources.idleText, bar);
    bar->addWidget(m_pMessagePane, 1);
    for (int id : m_resources.indicators) {
        QString text = m_resources.strings.count(id) ? m_resources.strings.at(id) : QString();
        auto* pane = new QLabel(text, bar);
        pane->setObjectName(QString::number(id));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The key states cannot be read portably: the panes stay greyed.
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    return true;
}

void CMDIFrameWnd::SetMessageText(const QString& text) {
    if (m_pMessagePane != nullptr)
        m_pMessagePane->setText(text);
}

bool CMDIFrameWnd::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // The message pane shows the prompt of the highlighted item, else the idle text.
        if (m_pMessagePane != nullptr) {
            QString tip = static_cast<QStatusTipEvent*>(event)->tip();
            m_pMessagePane->setText(tip.isEmpty() ? m_resources.idleText : tip);
        }
        return true;
    }
    return QMainWindow::event(event);
}

void CMDIFrameWnd::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The area rewrites the title when a child is maximised or restored; the
    // frame's own form wins.
    if (event->type() == QEvent::WindowTitleChange)
        UpdateFrameTitle();
}

void CMDIFrameWnd::closeEvent(QCloseEvent* event) {
    // Every child closes first, so that each view releases what it holds.
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
        window->close();
    event->accept();
}
