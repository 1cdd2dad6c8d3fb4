#include "RecordText.h"

#include <cstdio>

#include "Cp932.h"

std::string CRecordText::Field(const char* field, size_t width) {
    return std::string(field, CCp932::FieldLength(field, width));
}

std::string CRecordText::Date(const kvTimeBlock& time) {
    char text[100];
    // Widened: a stored year or month near the int limits must not overflow.
    std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d", time.yearsSince1900 + 1900LL,
                  time.month + 1LL, time.dayOfMonth);
    return text;
}

std::string CRecordText::DateTime(const kvTimeBlock& time) {
    char text[100];
    std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d %02d:%02d", time.yearsSince1900 + 1900LL,
                  time.month + 1LL, time.dayOfMonth, time.hours, time.minutes);
    return text;
}

std::string CRecordText::Id(uint32_t id) {
    char text[100];
    std::snprintf(text, sizeof(text), "%08X", id);
    return text;
}
