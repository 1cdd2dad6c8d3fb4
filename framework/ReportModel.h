#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The cells of a report list, kept as code page 932 bytes and decoded only
// when a view asks for them. Rows appended in a burst are announced to the
// views in one batch, so filling 100,000 rows costs no per-row view work.
//
// A list of a million rows must cost little more than its texts: the rows
// appended cell by cell, left to right (as every list window fills them), lie
// packed one after another in chunks of 1 MiB, each row a count of cells and
// each cell a length and its bytes, and a row is found by 8 bytes of where it
// starts. A row changed afterwards, or out of that order, is moved into
// strings of its own (rare: no window does it while filling).
class CReportModel : public QAbstractTableModel {
public:
    explicit CReportModel(QObject* parent = nullptr);
    ~CReportModel() override;

    int InsertColumn(int index, const QString& title);
    int ColumnCount() const { return static_cast<int>(m_titles.size()); }
    // Inserts a row whose first cell is text; returns its index, or -1.
    int InsertItem(int index, std::string_view text);
    bool SetItemText(int item, int subItem, std::string_view text);
    // What a cell shows instead of its code page 932 text: a Unicode text
    // that code page 932 cannot hold (rare: kept apart from the packed rows).
    bool SetItemUnicode(int item, int subItem, const QString& text);
    // The text of a cell; valid until the model changes.
    std::string_view ItemText(int item, int subItem) const;
    int ItemCount() const { return static_cast<int>(m_rows.size()); }
    void DeleteAllItems();
    // Announces rows appended since the last announcement.
    void Flush();
    // Bytes held for the rows (chunks, row table and moved rows), for the benchmark.
    size_t HeldBytes() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Where a row starts: a chunk and an offset in it, or (chunk kMoved) the
    // index of its strings in m_moved.
    struct CRow {
        uint32_t chunk;
        uint32_t offset;
    };
    static constexpr uint32_t kMoved = 0xFFFFFFFFu;
    static constexpr size_t kChunk = 1u << 20;
    // Cells longer than this go into a moved row rather than the chunks.
    static constexpr size_t kLongCell = kChunk / 4;

    // Appends a cell to the row being filled (the last row); false when the
    // row must be moved instead.
    bool AppendCell(std::string_view text);
    // Makes room for bytes more of the open row in the last chunk, moving
    // the row's bytes so far into a new chunk when they do not fit.
    bool Reserve(size_t bytes);
    // How many cells row has (those beyond are empty).
    int CellCount(int row) const;
    // Moves row into strings of its own and returns them.
    std::vector<std::string>& Moved(int row);
    // The packed cells of a row as strings.
    std::vector<std::string> Unpack(const CRow& row) const;

    QStringList m_titles;
    std::vector<CRow> m_rows;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    size_t m_nUsed = kChunk; // bytes used in the last chunk
    std::vector<std::vector<std::string>> m_moved;
    int m_nOpenRow = -1; // the row being filled cell by cell, or -1
    int m_nOpenCells = 0;
    int m_nAnnounced = 0;                            // rows the views know of
    std::unordered_map<uint64_t, QString> m_unicode; // by row << 8 | column
    bool m_bFlushQueued = false;
};
