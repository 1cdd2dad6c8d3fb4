#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kelvo.h"

// Cell texts from record fields, as the list windows show them.
class CRecordText {
public:
    // The text of a field of width bytes: up to its NUL, or the whole field when
    // it has none; nothing past the field is read. A view into the field.
    static std::string_view Field(const char* field, size_t width);
    // "%04d/%02d/%02d" from years since 1900 + 1900, month + 1, day; empty
    // when the time holds no day of the calendar (a date left empty).
    static std::string Date(const kvTimeBlock& time);
    // "%04d/%02d/%02d %02d:%02d"; empty as Date.
    static std::string DateTime(const kvTimeBlock& time);
    // The same into buffer, for a list filled with millions of them (no allocation).
    using CBuffer = std::array<char, 64>;
    static std::string_view Date(const kvTimeBlock& time, CBuffer& buffer);
    static std::string_view DateTime(const kvTimeBlock& time, CBuffer& buffer);
    // "%08X".
    static std::string Id(uint32_t id);
};

#define KV_FIELD_TEXT(record, member) CRecordText::Field((record).member, sizeof((record).member))
