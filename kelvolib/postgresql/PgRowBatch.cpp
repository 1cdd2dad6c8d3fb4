#include "PgRowBatch.h"

namespace {

// An array's header: one dimension, no nulls, the element type, the length
// (written when the array is sent) and the lower bound.
constexpr size_t kLengthAt = 12;

void PutBigEndian(std::string& out, unsigned long long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

unsigned long long GetBigEndian(const std::string& in, size_t at, int bytes) {
    unsigned long long value = 0;
    for (int i = 0; i < bytes && at + static_cast<size_t>(i) < in.size(); ++i)
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
    return value;
}

} // namespace

CPgRowBatch::CPgRowBatch(const std::string& table, const CShape& shape)
    : m_strTable(table), m_shape(shape), m_fields(shape.types.size()) {
    // Through the server's function, which checks the rows as a whole.
    m_strSql = "SELECT kv_add_" + table + "($1::" + table + "[])";
    PutBigEndian(m_array, 1, 4);
    PutBigEndian(m_array, 0, 4);
    PutBigEndian(m_array, shape.rowType, 4);
    PutBigEndian(m_array, 0, 4);
    PutBigEndian(m_array, 1, 4);
}

void CPgRowBatch::Add(const std::string& row) {
    size_t at = 2, bytes = 4;
    for (auto& field : m_fields) {
        auto length = static_cast<size_t>(GetBigEndian(row, at, 4));
        field = {at + 4, length};
        at += 4 + length;
        bytes += 8 + length;
    }
    // A record: its field count, then each field's type, length and bytes.
    PutBigEndian(m_array, bytes, 4);
    PutBigEndian(m_array, m_shape.order.size(), 4);
    for (size_t bound : m_shape.order) {
        PutBigEndian(m_array, m_shape.types[bound], 4);
        PutBigEndian(m_array, m_fields[bound].second, 4);
        m_array.append(row, m_fields[bound].first, m_fields[bound].second);
    }
    ++m_nRows;
}

bool CPgRowBatch::Send(PGconn* conn) {
    std::string count;
    PutBigEndian(count, m_nRows, 4);
    m_array.replace(kLengthAt, 4, count);
    const char* values[] = {m_array.data()};
    const int lengths[] = {static_cast<int>(m_array.size())};
    const int formats[] = {1};
    return PQsendQueryParams(conn, m_strSql.c_str(), 1, nullptr, values, lengths, formats, 1) == 1;
}
