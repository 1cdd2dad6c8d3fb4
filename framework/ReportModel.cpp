#include "ReportModel.h"

#include <algorithm>
#include <cstring>

#include "Text.h"

namespace {

// A cell's length before its bytes: 7 bits a byte, low bits first.
size_t LengthSize(size_t length) {
    size_t size = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++size;
    }
    return size;
}

char* PutLength(char* out, size_t length) {
    while (length >= 0x80) {
        *out++ = static_cast<char>(0x80 | (length & 0x7F));
        length >>= 7;
    }
    *out++ = static_cast<char>(length);
    return out;
}

const char* GetLength(const char* in, size_t& length) {
    length = 0;
    for (int shift = 0;; shift += 7) {
        unsigned char byte = static_cast<unsigned char>(*in++);
        length |= static_cast<size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return in;
    }
}

} // namespace

CReportModel::CReportModel(QObject* parent) : QAbstractTableModel(parent) {}

CReportModel::~CReportModel() = default;

int CReportModel::InsertColumn(int index, const QString& title) {
    Flush();
    index = std::clamp(index, 0, ColumnCount());
    beginInsertColumns(QModelIndex(), index, index);
    m_titles.insert(index, title);
    // Cells at or right of index move one column right (columns come before
    // rows in every window, so this is a loop over nothing).
    for (int row = 0; row < ItemCount(); ++row)
        if (CellCount(row) > index) {
            std::vector<std::string>& cells = Moved(row);
            cells.insert(cells.begin() + index, std::string());
        }
    endInsertColumns();
    return index;
}

int CReportModel::CellCount(int row) const {
    const CRow& where = m_rows[static_cast<size_t>(row)];
    return where.chunk == kMoved ? static_cast<int>(m_moved[where.offset].size())
                                 : static_cast<unsigned char>(m_chunks[where.chunk][where.offset]);
}

bool CReportModel::Reserve(size_t bytes) {
    if (m_nUsed + bytes <= kChunk)
        return true;
    const CRow& open = m_rows[static_cast<size_t>(m_nOpenRow)];
    const size_t start = open.chunk == m_chunks.size() - 1 ? open.offset : m_nUsed;
    const size_t kept = m_nUsed - start;
    if (kept + bytes > kChunk)
        return false;
    auto chunk = std::make_unique<char[]>(kChunk);
    if (kept > 0)
        std::memcpy(chunk.get(), m_chunks.back().get() + start, kept);
    m_chunks.push_back(std::move(chunk));
    m_rows[static_cast<size_t>(m_nOpenRow)] = {static_cast<uint32_t>(m_chunks.size() - 1), 0};
    m_nUsed = kept;
    return true;
}

bool CReportModel::AppendCell(std::string_view text) {
    const size_t bytes = LengthSize(text.size()) + text.size();
    if (text.size() > kLongCell || m_nOpenCells >= 255 || !Reserve(bytes))
        return false;
    const CRow& open = m_rows[static_cast<size_t>(m_nOpenRow)];
    char* chunk = m_chunks.back().get();
    char* out = PutLength(chunk + m_nUsed, text.size());
    if (!text.empty()) // an empty view may have no data at all
        std::memcpy(out, text.data(), text.size());
    m_nUsed += bytes;
    ++chunk[open.offset]; // the row's count of cells
    ++m_nOpenCells;
    return true;
}

std::vector<std::string> CReportModel::Unpack(const CRow& row) const {
    if (row.chunk == kMoved)
        return m_moved[row.offset];
    const char* in = m_chunks[row.chunk].get() + row.offset;
    const size_t count = static_cast<unsigned char>(*in++);
    std::vector<std::string> cells(count);
    for (std::string& cell : cells) {
        size_t length = 0;
        in = GetLength(in, length);
        cell.assign(in, length);
        in += length;
    }
    return cells;
}

std::vector<std::string>& CReportModel::Moved(int row) {
    CRow& where = m_rows[static_cast<size_t>(row)];
    if (where.chunk != kMoved) {
        m_moved.push_back(Unpack(where));
        where = {kMoved, static_cast<uint32_t>(m_moved.size() - 1)};
        if (row == m_nOpenRow)
            m_nOpenRow = -1;
    }
    return m_moved[where.offset];
}

int CReportModel::InsertItem(int index, std::string_view text) {
    if (index < 0)
        return -1;
    if (index >= ItemCount()) {
        // Appending: a new packed row, which the views learn of in the next batch.
        m_rows.push_back({static_cast<uint32_t>(m_chunks.empty() ? 0 : m_chunks.size() - 1),
                          static_cast<uint32_t>(m_nUsed)});
        m_nOpenRow = ItemCount() - 1;
        m_nOpenCells = 0;
        Reserve(1); // a new row always fits a chunk
        m_rows.back() = {static_cast<uint32_t>(m_chunks.size() - 1),
                         static_cast<uint32_t>(m_nUsed)};
        m_chunks.back()[m_nUsed++] = 0; // its count of cells
        if (!AppendCell(text))
            Moved(ItemCount() - 1).assign(1, std::string(text));
        if (!m_bFlushQueued) {
            m_bFlushQueued = true;
            QMetaObject::invokeMethod(
                this, [this] { Flush(); }, Qt::QueuedConnection);
        }
        return ItemCount() - 1;
    }
    Flush();
    beginInsertRows(QModelIndex(), index, index);
    m_nOpenRow = -1;
    m_rows.insert(m_rows.begin() + index, CRow{kMoved, static_cast<uint32_t>(m_moved.size())});
    m_moved.push_back({std::string(text)});
    ++m_nAnnounced;
    endInsertRows();
    return index;
}

bool CReportModel::SetItemText(int item, int subItem, std::string_view text) {
    if (item < 0 || item >= ItemCount() || subItem < 0 || subItem >= std::max(1, ColumnCount()))
        return false;
    bool appended = false;
    if (item == m_nOpenRow && subItem >= m_nOpenCells) {
        // Filling left to right (empty cells for any skipped).
        appended = true;
        while (appended && m_nOpenCells < subItem)
            appended = AppendCell(std::string_view());
        appended = appended && AppendCell(text);
    }
    if (!appended) {
        std::vector<std::string>& cells = Moved(item);
        if (cells.size() <= static_cast<size_t>(subItem))
            cells.resize(static_cast<size_t>(subItem) + 1);
        cells[static_cast<size_t>(subItem)].assign(text);
    }
    if (item < m_nAnnounced)
        emit dataChanged(index(item, subItem), index(item, subItem));
    return true;
}

bool CReportModel::SetItemUnicode(int item, int subItem, const QString& text) {
    if (item < 0 || item >= ItemCount() || subItem < 0 || subItem >= std::max(1, ColumnCount()) ||
        subItem > 0xFF)
        return false;
    m_unicode[static_cast<uint64_t>(item) << 8 | static_cast<uint64_t>(subItem)] = text;
    if (item < m_nAnnounced)
        emit dataChanged(index(item, subItem), index(item, subItem));
    return true;
}

std::string_view CReportModel::ItemText(int item, int subItem) const {
    if (item < 0 || item >= ItemCount() || subItem < 0)
        return std::string_view();
    const CRow& row = m_rows[static_cast<size_t>(item)];
    if (row.chunk == kMoved) {
        const auto& cells = m_moved[row.offset];
        return subItem < static_cast<int>(cells.size()) ? std::string_view(cells[subItem])
                                                        : std::string_view();
    }
    const char* in = m_chunks[row.chunk].get() + row.offset;
    const int count = static_cast<unsigned char>(*in++);
    if (subItem >= count)
        return std::string_view();
    size_t length = 0;
    for (int cell = 0;; ++cell) {
        in = GetLength(in, length);
        if (cell == subItem)
            return std::string_view(in, length);
        in += length;
    }
}

void CReportModel::DeleteAllItems() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_chunks.clear();
    m_moved.clear();
    m_unicode.clear();
    m_nUsed = kChunk;
    m_nOpenRow = -1;
    m_nAnnounced = 0;
    endResetModel();
}

size_t CReportModel::HeldBytes() const {
    size_t bytes = m_rows.capacity() * sizeof(CRow) + m_chunks.size() * kChunk;
    for (const auto& cells : m_moved)
        for (const std::string& cell : cells)
            bytes += sizeof(std::string) + cell.capacity();
    return bytes;
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
    if (!m_unicode.empty()) {
        auto found = m_unicode.find(static_cast<uint64_t>(index.row()) << 8 |
                                    static_cast<uint64_t>(index.column()));
        if (found != m_unicode.end())
            return found->second;
    }
    std::string_view text = ItemText(index.row(), index.column());
    return CText::FromCp932(text.data(), text.size());
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
