#include "LineListModel.h"

void CLineListModel::Append(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    beginInsertRows(QModelIndex(), Count(), Count() + static_cast<int>(lines.size()) - 1);
    m_lines.append(lines);
    endInsertRows();
}

void CLineListModel::RemoveFirst(int count) {
    count = std::min(count, Count());
    if (count <= 0)
        return;
    beginRemoveRows(QModelIndex(), 0, count - 1);
    m_lines.remove(0, count);
    endRemoveRows();
}

int CLineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CLineListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Count())
        return QVariant();
    return m_lines.at(index.row());
}
