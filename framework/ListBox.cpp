#include "ListBox.h"

#include "LineListModel.h"

CListBox::CListBox(QWidget* parent) : QListView(parent), m_pModel(new CLineListModel(this)) {
    setModel(m_pModel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Uniform heights keep appending and trimming thousands of lines cheap.
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // No menu of its own, and not the child window's system menu either.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

int CListBox::GetCount() const {
    return m_pModel->Count();
}

QString CListBox::GetText(int index) const {
    return index >= 0 && index < GetCount() ? m_pModel->Line(index) : QString();
}

void CListBox::AddStrings(const QStringList& lines) {
    m_pModel->Append(lines);
}

void CListBox::DeleteFirst(int count) {
    m_pModel->RemoveFirst(count);
}

void CListBox::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        clearSelection();
        return;
    }
    QModelIndex item = m_pModel->index(index);
    setCurrentIndex(item);
    scrollTo(item);
}

int CListBox::GetCurSel() const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}
