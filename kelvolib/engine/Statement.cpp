#include "Statement.h"

#include <cstring>

#include "Cp932.h"

void CStatement::BindField(int index, const char* field, size_t width) {
    size_t length = CCp932::FieldLength(field, width);
    if (length == width && width > 0)
        length = CCp932::CutLength(field, length, width - 1);
    BindBytes(index, field, length);
}

void CStatement::ColumnToField(int column, char* field, size_t width) const {
    if (width == 0)
        return;
    size_t length = 0;
    const char* data = ColumnData(column, length);
    length = CCp932::CutLength(data, length, width - 1);
    if (length > 0)
        std::memcpy(field, data, length);
    std::memset(field + length, 0, width - length);
}

std::string CStatement::ColumnText(int column) const {
    size_t length = 0;
    const char* data = ColumnData(column, length);
    return data != nullptr ? std::string(data, length) : std::string();
}
