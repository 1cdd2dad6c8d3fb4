#include "View.h"

#include <QTimerEvent>

#include "Document.h"
#include "MDIChildWnd.h"

CView::CView(QWidget* parent) : QWidget(parent) {}

CView::~CView() = default;

CMDIChildWnd* CView::GetParentFrame() const {
    for (QWidget* parent = parentWidget(); parent != nullptr; parent = parent->parentWidget())
        if (auto* frame = dynamic_cast<CMDIChildWnd*>(parent))
            return frame;
    return nullptr;
}

void CView::OnInitialUpdate() {
    OnUpdate(nullptr, 0);
}

void CView::OnUpdate(CView*, long) {
    update();
}

bool CView::OnCmdMsg(int id, CCmdUI* pUI) {
    if (CCmdTarget::OnCmdMsg(id, pUI))
        return true;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(id, pUI);
}

void CView::DestroyWindow() {
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    OnDestroy();
    m_timers.KillAll(this); // timers end with the window
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

void CView::timerEvent(QTimerEvent* event) {
    int id = m_timers.IdFor(event->timerId());
    if (id != 0)
        OnTimer(id);
    else
        QWidget::timerEvent(event);
}
