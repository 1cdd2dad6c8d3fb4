#include "DefultListView.h"

#include "BackendTable.h"
#include "ListCtrl.h"
#include "MessageBox.h"
#include "Original.h"
#include "Text.h"
#include "ViewerSession.h"

CDefultListView::CDefultListView(CViewerSession& session, int kind, const CColumnDef* columns,
                                 int columnCount)
    : m_session(session), m_nKind(kind), m_pColumns(columns), m_nColumnCount(columnCount) {}

void CDefultListView::OnInitialUpdate() {
    CListView::OnInitialUpdate();
    m_session.Register(m_nKind, this);
    for (int i = 0; i < m_nColumnCount; ++i)
        GetListCtrl().InsertColumn(i, QString::fromUtf8(m_pColumns[i].title), m_pColumns[i].width);
}

void CDefultListView::OnDestroy() {
    CListView::OnDestroy();
    m_session.Unregister(m_nKind);
}

void CDefultListView::CheckReadFailure() {
    std::string reason = KvLastError();
    if (reason.empty() || m_bFailureShown)
        return;
    m_bFailureShown = true;
    CMessageBox::Show(
        this, QStringLiteral("一覧を最後まで読み込めませんでした（%1 件を表示しています）。\n"
                             "理由: %2")
                  .arg(GetListCtrl().GetItemCount())
                  .arg(CText::FromCp932(reason)));
}

void CDefultListView::ShowOriginal(int row, int kind, std::initializer_list<COriginalCell> cells) {
    const CBackendTable& backend = KvBackend();
    const int needed = backend.kvLastOriginal(kind, nullptr, 0);
    if (needed <= 1)
        return;
    std::string text(static_cast<size_t>(needed), '\0');
    if (backend.kvLastOriginal(kind, text.data(), needed) != needed)
        return;
    text.pop_back();
    const COriginal::CParsed kept = COriginal::Parse(text);
    for (const COriginalCell& cell : cells)
        if (kept.Field(cell.column) != nullptr)
            GetListCtrl().SetItemUnicode(
                row, cell.subItem,
                QString::fromStdString(kept.Text(cell.column, cell.field, cell.width)));
}
