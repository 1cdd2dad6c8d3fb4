#pragma once

#include <ctime>
#include <libical/ical.h>

#include "kelvo.h"

// A time of an iCalendar file with the zone it is in: no zone for floating
// time and for dates. Read by CCalendarZones.
struct CZonedTime {
    icaltimetype time = icaltime_null_time();
    icaltimezone* zone = nullptr;
    bool open = false; // an end the event does not give (no DTEND, no DURATION)

    // The instant (dates and floating times as if local), for the window and
    // for matching overrides and exceptions.
    std::time_t Instant() const;
    // As the desktop's local wall-clock time.
    kvTimeBlock Local() const;
};
