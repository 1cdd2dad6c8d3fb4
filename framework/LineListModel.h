#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of a list box. Lines arrive and leave in batches, each announced
// to the view once, so a burst of thousands of lines costs one layout.
class CLineListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void Append(const QStringList& lines);
    void RemoveFirst(int count);
    int Count() const { return static_cast<int>(m_lines.size()); }
    const QString& Line(int index) const { return m_lines.at(index); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList m_lines;
};
