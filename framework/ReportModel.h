#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <string>
#include <vector>

// The cells of a report list, kept as code page 932 bytes and decoded only
// when a view asks for them. Rows appended in a burst are announced to the
// views in one batch, so filling 100,000 rows costs no per-row view work.
class CReportModel : public QAbstractTableModel {
public:
    explicit CReportModel(QObject* parent = nullptr);

    int InsertColumn(int index, const QString& title);
    int ColumnCount() const { return static_cast<int>(m_titles.size()); }
    // Inserts a row whose first cell is text; returns its index, or -1.
    int InsertItem(int index, std::string text);
    bool SetItemText(int item, int subItem, std::string text);
    const std::string& ItemText(int item, int subItem) const;
    int ItemCount() const { return static_cast<int>(m_rows.size()); }
    void DeleteAllItems();
    // Announces rows appended since the last announcement.
    void Flush();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_titles;
    std::vector<std::vector<std::string>> m_rows;
    int m_nAnnounced = 0; // rows the views know of
    bool m_bFlushQueued = false;
};
