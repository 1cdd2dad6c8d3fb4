#include "ReportModel.h"

#include "Text.h"

namespace {

const std::string kEmpty;

} // namespace

CReportModel::CReportModel(QObject* parent) : QAbstractTableModel(parent) {}

int CReportModel::InsertColumn(int index, const QString& title) {
    Flush();
    index = std::clamp(index, 0, ColumnCount());
    beginInsertColumns(QModelIndex(), index, index);
    m_titles.insert(index, title);
    for (auto& row : m_rows)
        if (static_cast<int>(row.size()) > index)
            row.insert(row.begin() + index, std::string());
    endInsertColumns();
    return index;
}

int CReportModel::InsertItem(int index, std::string text) {
    if (index < 0)
        return -1;
    if (index >= ItemCount()) {
        // Appending: the views learn of it in the next batch.
        m_rows.emplace_back();
        m_rows.back().reserve(static_cast<size_t>(std::max(1, ColumnCount())));
        m_rows.back().push_back(std::move(text));
        if (!m_bFlushQueued) {
            m_bFlushQueued = true;
            QMetaObject::invokeMethod(
                this, [this] { Flush(); }, Qt::QueuedConnection);
        }
        return ItemCount() - 1;
    }
    Flush();
    beginInsertRows(QModelIndex(), index, index);
    m_rows.insert(m_rows.begin() + index, std::vector<std::string>{std::move(text)});
    ++m_nAnnounced;
    endInsertRows();
    return index;
}

bool CReportModel::SetItemText(int item, int subItem, std::string text) {
    if (item < 0 || item >= ItemCount() || subItem < 0 || subItem >= std::max(1, ColumnCount()))
        return false;
    auto& row = m_rows[static_cast<size_t>(item)];
    if (static_cast<int>(row.size()) <= subItem)
        row.resize(static_cast<size_t>(subItem) + 1);
    row[static_cast<size_t>(subItem)] = std::move(text);
    if (item < m_nAnnounced)
        emit dataChanged(index(item, subItem), index(item, subItem));
    return true;
}

const std::string& CReportModel::ItemText(int item, int subItem) const {
    if (item < 0 || item >= ItemCount() || subItem < 0)
        return kEmpty;
    const auto& row = m_rows[static_cast<size_t>(item)];
    return subItem < static_cast<int>(row.size()) ? row[static_cast<size_t>(subItem)] : kEmpty;
}

void CReportModel::DeleteAllItems() {
    beginResetModel();
    m_rows.clear();
    m_nAnnounced = 0;
    endResetModel();
}

void CReportModel::Flush() {
    m_bFlushQueued = false;
    if (m_nAnnounced >= ItemCount())
        return;
    beginInsertRows(QModelIndex(), m_nAnnounced, ItemCount() - 1);
    m_nAnnounced = ItemCount();
    endInsertRows();
}

int CReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nAnnounced;
}

int CReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CReportModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return CText::FromCp932(ItemText(index.row(), index.column()));
}

QVariant CReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount())
        return QVariant();
    return m_titles[section];
}

Qt::ItemFlags CReportModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
