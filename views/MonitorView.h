#pragma once

#include "FormView.h"

// The monitor window: a form whose one list box covers it.
class CMonitorView : public CFormView {
public:
    static constexpr int IDC_MONITOR_LIST = 1003;

    CMonitorView();

    void OnInitialUpdate() override;
    void OnDestroy() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Moves the list box over the whole client area.
    void FitList();
};
