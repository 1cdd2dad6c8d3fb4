#include "DefultListView.h"

#include "ListCtrl.h"
#include "ViewerApp.h"

CDefultListView::CDefultListView(int kind, const CColumnDef* columns, int columnCount)
    : m_nKind(kind), m_pColumns(columns), m_nColumnCount(columnCount) {}

void CDefultListView::OnInitialUpdate() {
    CListView::OnInitialUpdate();
    ViewerApp()->m_pOpenView[m_nKind] = this;
    for (int i = 0; i < m_nColumnCount; ++i)
        GetListCtrl().InsertColumn(i, QString::fromUtf8(m_pColumns[i].title), m_pColumns[i].width);
}

void CDefultListView::OnDestroy() {
    CListView::OnDestroy();
    ViewerApp()->m_pOpenView[m_nKind] = nullptr;
}
