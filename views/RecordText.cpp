#include "RecordText.h"

#include <cstdio>

#include "Cp932.h"

std::string CRecordText::Field(const char* field, size_t width) {
    return std::string(field, CCp932::FieldLength(field, width));
}

std::string CRecordText::Date(const kvTimeBlock& time) {
    char text[100];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d", time.yearsSince1900 + 1900, time.month + 1,
                  time.dayOfMonth);
    return text;
}

std::string CRecordText::DateTime(const kvTimeBlock& time) {
    char text[100];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", time.yearsSince1900 + 1900,
                  time.month + 1, time.dayOfMonth, time.hours, time.minutes);
    return text;
}

std::string CRecordText::Id(uint32_t id) {
    char text[100];
    std::snprintf(text, sizeof(text), "%08X", id);
    return text;
}
