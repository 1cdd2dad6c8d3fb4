#include "CalendarZones.h"

#include <cstring>
#include <string_view>

namespace {

void FreeZone(icaltimezone* zone) {
    icaltimezone_free(zone, 1);
}

// Whether every rule of the zone's observances recurs yearly, as a zone's
// changes do: libical expands a zone's changes one by one up to the year a
// time asks for, and one changing every second would take hours and
// gigabytes (a hostile file's zone).
bool YearlyRulesOnly(icalcomponent* zone) {
    for (icalcomponent* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
         part != nullptr; part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT))
        for (icalproperty* rule = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY);
             rule != nullptr; rule = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY))
            if (icalproperty_get_rrule(rule).freq != ICAL_YEARLY_RECURRENCE)
                return false;
    return true;
}

// Whether every STANDARD and DAYLIGHT part says from when it holds.
bool EveryObservanceStarts(icalcomponent* zone) {
    for (icalcomponent* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
         part != nullptr; part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT))
        if (icalcomponent_get_first_property(part, ICAL_DTSTART_PROPERTY) == nullptr)
            return false;
    return true;
}

// The system's zone a TZID names: by its name, libical's own prefixed form, or
// the name at its end ("/mozilla.org/20050126_1/Asia/Tokyo" is Asia/Tokyo).
icaltimezone* System(const char* tzid) {
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid))
        return zone;
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone_from_tzid(tzid))
        return zone;
    for (const char* slash = std::strchr(tzid, '/'); slash != nullptr;
         slash = std::strchr(slash + 1, '/'))
        if (icaltimezone* zone = icaltimezone_get_builtin_timezone(slash + 1))
            return zone;
    return nullptr;
}

} // namespace

bool CCalendarZones::Add(const std::string& text, std::string& why) {
    icalcomponent* component = icalparser_parse_string(text.c_str());
    if (component == nullptr) {
        why = "TZID";
        return false;
    }
    icalproperty* id = icalcomponent_isa(component) == ICAL_VTIMEZONE_COMPONENT
                           ? icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY)
                           : nullptr;
    const char* named = id != nullptr ? icalproperty_get_tzid(id) : nullptr;
    if (named == nullptr || *named == '\0') {
        icalcomponent_free(component);
        why = "TZID";
        return false;
    }
    const std::string tzid = named;
    // An observance without a start never takes effect: libical would read
    // every time in the zone as UTC (an old calendar program writes them).
    const char* fault = !EveryObservanceStarts(component) ? "an observance without DTSTART"
                        : !YearlyRulesOnly(component)     ? "changes that recur other than yearly"
                                                          : nullptr;
    if (fault != nullptr) {
        icalcomponent_free(component);
        icaltimezone* system = System(tzid.c_str());
        why = tzid + ": " + fault +
              (system != nullptr ? std::string("; the system's zone ") +
                                       icaltimezone_get_location(system) + " is used"
                                 : std::string("; its times are read as the desktop's"));
        return false;
    }
    COwnedZone zone(icaltimezone_new(), FreeZone);
    if (!icaltimezone_set_component(zone.get(), component)) { // takes the component
        icalcomponent_free(component);
        why = tzid;
        return false;
    }
    m_found.erase(tzid);
    m_own.insert_or_assign(tzid, std::move(zone));
    return true;
}

icaltimezone* CCalendarZones::Find(const char* tzid) {
    if (tzid == nullptr || *tzid == '\0')
        return nullptr;
    if (auto known = m_found.find(std::string_view(tzid)); known != m_found.end())
        return known->second;
    icaltimezone* zone = nullptr;
    if (auto mine = m_own.find(tzid); mine != m_own.end())
        zone = mine->second.get();
    else
        zone = System(tzid);
    if (m_found.size() < 1000) // a hostile file's invented names are not all kept
        m_found.emplace(tzid, zone);
    if (zone == nullptr)
        m_strUnfound = tzid;
    return zone;
}

CZonedTime CCalendarZones::Of(icalproperty* property, icaltimetype time) {
    CZonedTime zoned;
    zoned.time = time;
    if (icaltime_is_null_time(time) || icaltime_is_date(time))
        return zoned;
    if (icaltime_is_utc(time)) {
        zoned.zone = icaltimezone_get_utc_timezone();
        return zoned;
    }
    if (icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER))
        zoned.zone = Find(icalparameter_get_tzid(tzid));
    return zoned; // an unknown zone leaves the time floating
}

bool CCalendarZones::Times(icalcomponent* event, CZonedTime& start, CZonedTime& end,
                           std::string& why) {
    icalproperty* dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (dtstart == nullptr) {
        why = "no DTSTART";
        return false;
    }
    start = Of(dtstart, icalproperty_get_dtstart(dtstart));
    if (!Usable(start.time)) {
        why = "DTSTART is not a time";
        return false;
    }
    end = start;
    if (icalproperty* dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        CZonedTime given = Of(dtend, icalproperty_get_dtend(dtend));
        if (Usable(given.time))
            end = given;
    } else if (icalproperty* duration =
                   icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        end.time = icaltime_add(start.time, icalproperty_get_duration(duration));
    } else {
        end.open = true;
    }
    return true;
}

bool CCalendarZones::Usable(const icaltimetype& time) {
    return !icaltime_is_null_time(time) && icaltime_is_valid_time(time) && time.year >= 1 &&
           time.year <= 9999 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
           time.day <= 31;
}
