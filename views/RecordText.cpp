#include "RecordText.h"

#include <cstdio>

#include "Cp932.h"

std::string_view CRecordText::Field(const char* field, size_t width) {
    return std::string_view(field, CCp932::FieldLength(field, width));
}

namespace {

// Appends value as at least width digits; false when it does not fit the fast path.
bool AppendDigits(std::string& text, long long value, int width) {
    if (value < 0 || value > 9999 || (width == 2 && value > 99))
        return false;
    char digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = count; i < width; ++i)
        text += '0';
    while (count > 0)
        text += digits[--count];
    return true;
}

// "%04d/%02d/%02d" (and " %02d:%02d") without printf for the values every real
// date has; a list of 100,000 entries formats 200,000 of them.
bool FastFormat(const kvTimeBlock& time, bool withTime, std::string& text) {
    text.reserve(16);
    return AppendDigits(text, time.yearsSince1900 + 1900LL, 4) && (text += '/', true) &&
           AppendDigits(text, time.month + 1LL, 2) && (text += '/', true) &&
           AppendDigits(text, time.dayOfMonth, 2) &&
           (!withTime || ((text += ' ', true) && AppendDigits(text, time.hours, 2) &&
                          (text += ':', true) && AppendDigits(text, time.minutes, 2)));
}

// Whether time holds a day of the calendar: an entry whose date was left
// empty holds day 0 of January 1900, which no list should show as a date.
bool IsDate(const kvTimeBlock& time) {
    if (time.month < 0 || time.month > 11 || time.dayOfMonth < 1)
        return false;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const long long year = time.yearsSince1900 + 1900LL;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return time.dayOfMonth <= (time.month == 1 && !leap ? 28 : kDays[time.month]);
}

} // namespace

std::string CRecordText::Date(const kvTimeBlock& time) {
    if (!IsDate(time))
        return std::string();
    std::string fast;
    if (FastFormat(time, false, fast))
        return fast;
    char text[100];
    // Widened: a stored year or month near the int limits must not overflow.
    std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d", time.yearsSince1900 + 1900LL,
                  time.month + 1LL, time.dayOfMonth);
    return text;
}

std::string CRecordText::DateTime(const kvTimeBlock& time) {
    if (!IsDate(time))
        return std::string();
    std::string fast;
    if (FastFormat(time, true, fast))
        return fast;
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
