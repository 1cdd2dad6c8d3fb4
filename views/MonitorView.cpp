#include "MonitorView.h"

#include <QStringList>

#include <cstring>

#include "BackendTable.h"
#include "Cp932.h"
#include "ListBox.h"
#include "Text.h"
#include "ViewerSession.h"

namespace {

CDialogTemplate MonitorForm() {
    return CDialogTemplate{
        CMonitorView::IDD,
        QString(),
        63,
        52,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {{CMonitorView::IDC_MONITOR_LIST, CControlDef::ListBox, QString(), 0, 0, 48, 40}}};
}

} // namespace

CMonitorView::CMonitorView(CViewerSession& session)
    : CFormView(MonitorForm()), m_session(session) {}

CListBox* CMonitorView::List() const {
    return dynamic_cast<CListBox*>(GetDlgItem(IDC_MONITOR_LIST));
}

void CMonitorView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    m_session.Register(KIND_MONITOR, this);
    if (List() != nullptr) {
        FitList();
        // The first drain shows what is pending, untrimmed and unselected.
        Drain();
    }
    SetTimer(kPollTimer, kPollMilliseconds);
}

void CMonitorView::OnDestroy() {
    CFormView::OnDestroy();
    m_session.Unregister(KIND_MONITOR);
}

void CMonitorView::OnTimer(int id) {
    if (id != kPollTimer) {
        CFormView::OnTimer(id);
        return;
    }
    CListBox* list = List();
    if (list == nullptr)
        return;
    // No tick arrives during the drain; the next second counts from its end.
    KillTimer(kPollTimer);
    if (Drain() > 0) {
        int excess = list->GetCount() - kLinesKept;
        if (excess > 0)
            list->DeleteFirst(excess);
        list->SetCurSel(list->GetCount() - 1);
    }
    SetTimer(kPollTimer, kPollMilliseconds);
}

int CMonitorView::Drain() {
    const CBackendTable& backend = KvBackend();
    char buffer[KV_MONITOR_LINE_SIZE];
    QStringList lines;
    std::memset(buffer, 0, sizeof(buffer));
    while (backend.kvReadMonitorLine(buffer, sizeof(buffer))) {
        buffer[sizeof(buffer) - 1] = '\0'; // a line is never read past the buffer
        lines.append(CText::FromCp932(buffer, std::strlen(buffer)));
    }
    List()->AddStrings(lines);
    return static_cast<int>(lines.size());
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
