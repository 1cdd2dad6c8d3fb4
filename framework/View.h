#pragma once

#include <QWidget>

#include "CmdTarget.h"
#include "TimerMap.h"

class CDocument;
class CMDIChildWnd;

// A view: the widget of a child frame, showing its document. Commands reach
// the view first, then its document and frame.
class CView : public QWidget, public CCmdTarget {
public:
    explicit CView(QWidget* parent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    CMDIChildWnd* GetParentFrame() const;

    // Runs once, after the frame and view exist, before the frame is shown.
    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* sender, long hint);
    // Runs once when the view's window is destroyed, while the view is whole.
    virtual void OnDestroy() {}

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

    // Destroys the window: OnDestroy, then the document lets go of the view.
    void DestroyWindow();
    bool IsDestroyed() const { return m_bDestroyed; }

    void SetTimer(int id, int milliseconds) { m_timers.Set(this, id, milliseconds); }
    void KillTimer(int id) { m_timers.Kill(this, id); }
    virtual void OnTimer(int) {}

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
    CTimerMap m_timers;
    bool m_bDestroyed = false;
};
