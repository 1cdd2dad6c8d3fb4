#include "ZonedTime.h"

namespace {

kvTimeBlock Block(int year, int month, int day, int hour, int minute) {
    kvTimeBlock block{};
    block.yearsSince1900 = year - 1900;
    block.month = month - 1;
    block.dayOfMonth = day;
    block.hours = hour;
    block.minutes = minute;
    return block;
}

} // namespace

std::time_t CZonedTime::Instant() const {
    if (zone != nullptr && !icaltime_is_date(time))
        return icaltime_as_timet_with_zone(time, zone);
    std::tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = icaltime_is_date(time) ? 0 : time.hour;
    local.tm_min = icaltime_is_date(time) ? 0 : time.minute;
    local.tm_sec = icaltime_is_date(time) ? 0 : time.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

kvTimeBlock CZonedTime::Local() const {
    if (icaltime_is_date(time))
        return Block(time.year, time.month, time.day, 0, 0);
    if (zone == nullptr)
        return Block(time.year, time.month, time.day, time.hour, time.minute);
    std::time_t instant = icaltime_as_timet_with_zone(time, zone);
    std::tm local{};
    localtime_r(&instant, &local);
    return Block(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                 local.tm_min);
}
