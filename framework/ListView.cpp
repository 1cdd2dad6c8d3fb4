#include "ListView.h"

#include <QVBoxLayout>

#include "ListCtrl.h"

CListView::CListView(QWidget* parent) : CView(parent), m_pList(new CListCtrl(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pList);
    setFocusProxy(m_pList);
}
