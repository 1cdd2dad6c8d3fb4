#include "RecordText.h"

#include <algorithm>
#include <cstdio>

#include "Cp932.h"

std::string_view CRecordText::Field(const char* field, size_t width) {
    return CCp932::FieldText(field, width);
}

namespace {

// Writes value as at least width digits at out; null when it does not fit the fast path.
char* PutDigits(char* out, long long value, int width) {
    if (value < 0 || value > 9999 || (width == 2 && value > 99))
        return nullptr;
    char digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = count; i < width; ++i)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// "%04d/%02d/%02d" (and " %02d:%02d") without printf for the values every real
// date has, into out; its length, or 0 when the values need printf.
size_t FastFormat(const kvTimeBlock& time, bool withTime, char* out) {
    char* at = out;
    if (!(at = PutDigits(at, time.yearsSince1900 + 1900LL, 4)))
        return 0;
    *at++ = '/';
    if (!(at = PutDigits(at, time.month + 1LL, 2)))
        return 0;
    *at++ = '/';
    if (!(at = PutDigits(at, time.dayOfMonth, 2)))
        return 0;
    if (withTime) {
        *at++ = ' ';
        if (!(at = PutDigits(at, time.hours, 2)))
            return 0;
        *at++ = ':';
        if (!(at = PutDigits(at, time.minutes, 2)))
            return 0;
    }
    return static_cast<size_t>(at - out);
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

std::string_view CRecordText::Date(const kvTimeBlock& time, CBuffer& buffer) {
    if (!IsDate(time))
        return std::string_view();
    if (size_t length = FastFormat(time, false, buffer.data()))
        return std::string_view(buffer.data(), length);
    // Widened: a stored year or month near the int limits must not overflow.
    int length = std::snprintf(buffer.data(), buffer.size(), "%04lld/%02lld/%02d",
                               time.yearsSince1900 + 1900LL, time.month + 1LL, time.dayOfMonth);
    return std::string_view(buffer.data(), static_cast<size_t>(std::max(length, 0)));
}

std::string_view CRecordText::DateTime(const kvTimeBlock& time, CBuffer& buffer) {
    if (!IsDate(time))
        return std::string_view();
    if (size_t length = FastFormat(time, true, buffer.data()))
        return std::string_view(buffer.data(), length);
    int length = std::snprintf(buffer.data(), buffer.size(), "%04lld/%02lld/%02d %02d:%02d",
                               time.yearsSince1900 + 1900LL, time.month + 1LL, time.dayOfMonth,
                               time.hours, time.minutes);
    return std::string_view(buffer.data(), static_cast<size_t>(std::max(length, 0)));
}

std::string CRecordText::Date(const kvTimeBlock& time) {
    CBuffer buffer;
    return std::string(Date(time, buffer));
}

std::string CRecordText::DateTime(const kvTimeBlock& time) {
    CBuffer buffer;
    return std::string(DateTime(time, buffer));
}

std::string CRecordText::Id(uint32_t id) {
    char text[100];
    std::snprintf(text, sizeof(text), "%08X", id);
    return text;
}
