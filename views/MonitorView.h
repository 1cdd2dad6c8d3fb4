#pragma once

#include "FormView.h"

class CListBox;
class CViewerSession;

// The monitor window: a form whose one list box covers it, showing the
// backend's monitor lines, polled once a second and kept to the newest 2000.
class CMonitorView : public CFormView {
public:
    static constexpr int IDC_MONITOR_LIST = 1003;
    static constexpr int kPollTimer = 133;
    static constexpr int kPollMilliseconds = 1000;
    static constexpr int kLinesKept = 2000;

    // The form's template ID.
    static constexpr int IDD = 133;

    explicit CMonitorView(CViewerSession& session);

    void OnInitialUpdate() override;
    void OnDestroy() override;
    void OnTimer(int id) override;

    CListBox* List() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    CViewerSession& m_session;

    // Moves the list box over the whole client area.
    void FitList();
    // Appends every pending line; returns how many there were.
    int Drain();
};
