#include "MonitorView.h"

#include "Resource.h"
#include "ViewerApp.h"

namespace {

CDialogTemplate MonitorForm() {
    return CDialogTemplate{
        IDD_MONITOR_FORM,
        QString(),
        63,
        52,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {{CMonitorView::IDC_MONITOR_LIST, CControlDef::ListBox, QString(), 0, 0, 48, 40}}};
}

} // namespace

CMonitorView::CMonitorView() : CFormView(MonitorForm()) {}

void CMonitorView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    ViewerApp()->m_pOpenView[KIND_MONITOR] = this;
    FitList();
}

void CMonitorView::OnDestroy() {
    CFormView::OnDestroy();
    ViewerApp()->m_pOpenView[KIND_MONITOR] = nullptr;
}

void CMonitorView::FitList() {
    if (QWidget* list = GetDlgItem(IDC_MONITOR_LIST))
        list->setGeometry(rect());
}

void CMonitorView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
    FitList();
}

void CMonitorView::moveEvent(QMoveEvent* event) {
    CFormView::moveEvent(event);
    FitList();
}
