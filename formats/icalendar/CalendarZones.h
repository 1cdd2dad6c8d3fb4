#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "ZonedTime.h"

// The zones one calendar file's times are in: its own VTIMEZONEs, else the
// system's zone database (libical's built-in zones), each TZID looked up once.
class CCalendarZones {
public:
    // A VTIMEZONE component (UTF-8 text); false when it cannot be used, with
    // why and what stands for it (the system's zone of its name, or none).
    bool Add(const std::string& text, std::string& why);
    // The zone a TZID names, or null (the time then stays floating).
    icaltimezone* Find(const char* tzid);
    // The last TZID that named no zone since the last call, taken.
    std::string TakeUnfound() { return std::exchange(m_strUnfound, std::string()); }
    // The time of a DTSTART, DTEND, RECURRENCE-ID, RDATE or EXDATE property.
    CZonedTime Of(icalproperty* property, icaltimetype time);
    // Start and end of an event or instance; false without a usable start.
    bool Times(icalcomponent* event, CZonedTime& start, CZonedTime& end, std::string& why);
    // A time a schedule entry can hold: a valid date of the years 1 to 9999.
    static bool Usable(const icaltimetype& time);

private:
    using COwnedZone = std::unique_ptr<icaltimezone, void (*)(icaltimezone*)>;
    std::map<std::string, COwnedZone> m_own; // by TZID
    // Every TZID looked up, and what it named: the system's zones are found
    // by a slow search.
    std::map<std::string, icaltimezone*, std::less<>> m_found;
    std::string m_strUnfound;
};
