#include "PgAppender.h"

#include <cstring>
#include <libpq-fe.h>

#include "PgStatement.h"

namespace {

constexpr unsigned kInt2 = 21, kInt4 = 23, kInt8 = 20, kBool = 16;

void PutBigEndian(std::string& out, unsigned long long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Trimmed(const std::string& text) {
    size_t start = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

} // namespace

CPgAppender::CPgAppender(CPgConnection& connection, const std::string& table,
                         const std::string& columns)
    : m_conn(connection), m_strTable(table) {
    size_t start = 0;
    for (;;) {
        size_t comma = columns.find(',', start);
        m_columns.push_back(Trimmed(columns.substr(start, comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    m_values.resize(m_columns.size());
    m_strColumns = columns;
}

void CPgAppender::BindText(int index, const char* text) {
    if (text == nullptr)
        text = "";
    BindBytes(index, text, std::strlen(text));
}

void CPgAppender::BindBytes(int index, const char* data, size_t length) {
    if (index < 1 || index > static_cast<int>(m_values.size()))
        return;
    CValue& value = m_values[static_cast<size_t>(index - 1)];
    value.isInt = false;
    value.bytes.assign(data != nullptr ? data : "", data != nullptr ? length : 0);
}

void CPgAppender::BindInt(int index, long long number) {
    if (index < 1 || index > static_cast<int>(m_values.size()))
        return;
    CValue& value = m_values[static_cast<size_t>(index - 1)];
    value.isInt = true;
    value.number = number;
}

bool CPgAppender::ReadTypes() {
    auto query =
        m_conn.Prepare("SELECT a.attname, a.atttypid, c.reltype FROM pg_catalog.pg_attribute a "
                       "JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
                       "WHERE a.attrelid = to_regclass(CAST(?1 AS text)) AND a.attnum > 0 "
                       "AND NOT a.attisdropped ORDER BY a.attnum");
    query->BindText(1, m_strTable.c_str());
    m_shape.types.assign(m_columns.size(), 0);
    m_shape.order.clear();
    while (query->Step() == Result::Row) {
        std::string name = query->ColumnText(0);
        m_shape.rowType = static_cast<unsigned>(query->ColumnInt64(2));
        size_t bound = m_columns.size();
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_columns[i] == name) {
                m_shape.types[i] = static_cast<unsigned>(query->ColumnInt64(1));
                bound = i;
            }
        m_shape.order.push_back(bound);
    }
    for (unsigned type : m_shape.types)
        if (type == 0)
            return m_conn.Failed("the table's columns cannot be read");
    // A person's rows need every column of the table (PgRowBatch.h).
    for (size_t bound : m_shape.order)
        if (bound >= m_columns.size()) {
            m_shape.order.clear();
            break;
        }
    return true;
}

bool CPgAppender::Queue() {
    if (m_shape.types.empty() && !ReadTypes())
        return false;
    m_row.clear();
    PutBigEndian(m_row, m_columns.size(), 2);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const CValue& value = m_values[i];
        unsigned type = m_shape.types[i];
        int width = type == kInt8   ? 8
                    : type == kInt4 ? 4
                    : type == kInt2 ? 2
                    : type == kBool ? 1
                                    : 0;
        if (width > 0) {
            long long number = value.isInt ? value.number : 0;
            PutBigEndian(m_row, static_cast<unsigned>(width), 4);
            PutBigEndian(m_row, static_cast<unsigned long long>(number), width);
        } else {
            PutBigEndian(m_row, value.bytes.size(), 4);
            m_row += value.bytes;
        }
    }
    return m_conn.CopyRow(m_strTable, m_strColumns, m_shape, m_row);
}

bool CPgAppender::Run() {
    return Queue() && m_conn.EndCopy();
}
