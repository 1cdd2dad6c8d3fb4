#include "RecordFiller.h"

#include <cstring>

#include "Cp932.h"
#include "Statement.h"

void CRecordFiller::Begin(void* buffer, size_t size) {
    m_pRecord = static_cast<char*>(buffer);
    m_nField = 0;
    if (buffer != m_pLast) {
        std::memset(buffer, 0, size);
        m_pLast = buffer;
        m_used.assign(m_used.size(), 0);
    }
}

void CRecordFiller::Text(const CStatement& row, int column, size_t offset, size_t width) {
    size_t length = 0;
    const char* data = row.ColumnData(column, length);
    Bytes(data, length, offset, width);
}

void CRecordFiller::Bytes(const char* data, size_t length, size_t offset, size_t width) {
    if (m_nField >= m_used.size())
        m_used.resize(m_nField + 1, width); // unknown history: clear the whole field once
    char* field = m_pRecord + offset;
    if (data == nullptr)
        length = 0;
    length = CCp932::CutLength(data, length, width - 1);
    if (length > 0)
        std::memcpy(field, data, length);
    size_t used = m_used[m_nField];
    size_t end = used > length + 1 ? used : length + 1;
    std::memset(field + length, 0, end - length);
    m_used[m_nField] = length + 1;
    ++m_nField;
}
