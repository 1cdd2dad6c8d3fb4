#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include "CmdTarget.h"

class CDocTemplate;
class CView;

// A child frame of the MDI main frame, holding one view. It deletes itself
// when closed; its view's OnDestroy runs first.
class CMDIChildWnd : public QMdiSubWindow, public CCmdTarget {
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;

    CView* GetActiveView() const { return m_pView; }
    CDocTemplate* GetTemplate() const { return m_pTemplate; }
    void SetView(CView* view);
    // Runs the view's initial update and shows the frame.
    void InitialUpdateFrame(bool makeVisible);

    // Commands go to the view (and its document) before the frame.
    bool OnCmdMsg(int id, CCmdUI* pUI) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class CDocTemplate;
    void DestroyView();

    QPointer<CView> m_pView;
    CDocTemplate* m_pTemplate = nullptr;
};
