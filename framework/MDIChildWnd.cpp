#include "MDIChildWnd.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "View.h"

CMDIChildWnd::CMDIChildWnd() {
    setAttribute(Qt::WA_DeleteOnClose);
}

CMDIChildWnd::~CMDIChildWnd() {
    // A frame deleted without being closed still lets its view clean up.
    DestroyView();
}

void CMDIChildWnd::SetView(CView* view) {
    m_pView = view;
    setWidget(view);
}

void CMDIChildWnd::InitialUpdateFrame(bool makeVisible) {
    if (m_pView != nullptr)
        m_pView->OnInitialUpdate();
    if (makeVisible) {
        show();
        if (mdiArea() != nullptr)
            mdiArea()->setActiveSubWindow(this);
        if (m_pView != nullptr)
            m_pView->setFocus();
    }
}

bool CMDIChildWnd::OnCmdMsg(int id, CCmdUI* pUI) {
    if (m_pView != nullptr && !m_pView->IsDestroyed() && m_pView->OnCmdMsg(id, pUI))
        return true;
    return CCmdTarget::OnCmdMsg(id, pUI);
}

void CMDIChildWnd::closeEvent(QCloseEvent* event) {
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        DestroyView();
}

void CMDIChildWnd::DestroyView() {
    if (m_pView != nullptr)
        m_pView->DestroyWindow();
}
