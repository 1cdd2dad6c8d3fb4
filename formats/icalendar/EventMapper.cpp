#include "EventMapper.h"

#include <libical/ical.h>

#include <algorithm>
#include <set>
#include <string_view>

#include "PropertyText.h"

namespace {

// A component owned here, freed however the mapping ends.
struct CComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using COwned = std::unique_ptr<icalcomponent, CComponentFree>;

struct CZoneFree {
    void operator()(icaltimezone* zone) const { icaltimezone_free(zone, 1); }
};

// A time with the zone it is in: null for floating time and for dates.
struct CZonedTime {
    icaltimetype time = icaltime_null_time();
    icaltimezone* zone = nullptr;
    bool open = false; // an end the event does not give (no DTEND, no DURATION)
};

// The groupware's entry without an end: the year 1970, the rest zero.
kvTimeBlock NoEnd() {
    kvTimeBlock block{};
    block.yearsSince1900 = 70;
    return block;
}

kvTimeBlock Block(int year, int month, int day, int hour, int minute) {
    kvTimeBlock block{};
    block.yearsSince1900 = year - 1900;
    block.month = month - 1;
    block.dayOfMonth = day;
    block.hours = hour;
    block.minutes = minute;
    return block;
}

// The instant of a zoned time (dates and floating times as if local), for
// the window and for matching overrides and exceptions.
std::time_t Instant(const CZonedTime& zoned) {
    if (zoned.zone != nullptr && !icaltime_is_date(zoned.time))
        return icaltime_as_timet_with_zone(zoned.time, zoned.zone);
    std::tm local{};
    local.tm_year = zoned.time.year - 1900;
    local.tm_mon = zoned.time.month - 1;
    local.tm_mday = zoned.time.day;
    local.tm_hour = icaltime_is_date(zoned.time) ? 0 : zoned.time.hour;
    local.tm_min = icaltime_is_date(zoned.time) ? 0 : zoned.time.minute;
    local.tm_sec = icaltime_is_date(zoned.time) ? 0 : zoned.time.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// A zoned time as the desktop's local time.
kvTimeBlock Local(const CZonedTime& zoned) {
    const icaltimetype& time = zoned.time;
    if (icaltime_is_date(time))
        return Block(time.year, time.month, time.day, 0, 0);
    if (zoned.zone == nullptr)
        return Block(time.year, time.month, time.day, time.hour, time.minute);
    std::time_t instant = icaltime_as_timet_with_zone(time, zoned.zone);
    std::tm local{};
    localtime_r(&instant, &local);
    return Block(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                 local.tm_min);
}

// A DATE or DATE-TIME value ("20261224", "20261224T100000", "...Z") as
// icaltime_from_string reads it, the common forms read here (it reads them
// with sscanf, a fifth of an import's time), anything else by it.
icaltimetype TimeValue(const std::string& value) {
    auto digits = [&value](size_t at, size_t count, int& number) {
        number = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (value[i] < '0' || value[i] > '9')
                return false;
            number = number * 10 + (value[i] - '0');
        }
        return true;
    };
    const size_t length = value.size();
    icaltimetype time = icaltime_null_time();
    if ((length == 8 || length == 15 || (length == 16 && value[15] == 'Z')) &&
        digits(0, 4, time.year) && digits(4, 2, time.month) && digits(6, 2, time.day)) {
        if (length == 8) {
            time.is_date = 1;
            return time;
        }
        if (value[8] == 'T' && digits(9, 2, time.hour) && digits(11, 2, time.minute) &&
            digits(13, 2, time.second)) {
            if (length == 16)
                time.zone = icaltimezone_get_utc_timezone();
            return time;
        }
    }
    return icaltime_from_string(value.c_str());
}

std::string Cp932(const char* utf8, int& substitutes) {
    std::string text;
    if (utf8 != nullptr)
        substitutes += CPropertyText::Utf8ToCp932(utf8, text);
    return text;
}

} // namespace

struct CEventMapper::CZones {
    std::map<std::string, std::unique_ptr<icaltimezone, CZoneFree>> own; // by TZID
    // Every TZID looked up, and what it named: the system's zones are found
    // by a slow search.
    std::map<std::string, icaltimezone*, std::less<>> found;

    icaltimezone* Find(const char* tzid) {
        if (tzid == nullptr || *tzid == '\0')
            return nullptr;
        if (auto known = found.find(std::string_view(tzid)); known != found.end())
            return known->second;
        icaltimezone* zone = nullptr;
        if (auto mine = own.find(tzid); mine != own.end())
            zone = mine->second.get();
        else if ((zone = icaltimezone_get_builtin_timezone(tzid)) == nullptr)
            zone = icaltimezone_get_builtin_timezone_from_tzid(tzid);
        if (found.size() < 1000) // a hostile file's invented names are not all kept
            found.emplace(tzid, zone);
        return zone;
    }

    // The time of a DTSTART, DTEND, RECURRENCE-ID, RDATE or EXDATE property.
    CZonedTime Of(icalproperty* property, icaltimetype time) {
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

    // Start and end of an event or instance; false without a usable start.
    bool Times(icalcomponent* event, CZonedTime& start, CZonedTime& end, std::string& why) {
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

    static bool Usable(const icaltimetype& time) {
        return !icaltime_is_null_time(time) && icaltime_is_valid_time(time) && time.year >= 1 &&
               time.year <= 9999 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
               time.day <= 31;
    }
};

CEventMapper::CEventMapper(std::time_t now) : m_pZones(std::make_unique<CZones>()) {
    icalerror_set_errors_are_fatal(0);
    if (now == 0)
        now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::tm from = local, to = local;
    from.tm_year -= 1;
    to.tm_year += 2;
    from.tm_isdst = to.tm_isdst = -1;
    m_windowStart = std::mktime(&from);
    m_windowEnd = std::mktime(&to);
}

CEventMapper::~CEventMapper() = default;

bool CEventMapper::AddZone(const std::string& text) {
    icalcomponent* component = icalparser_parse_string(text.c_str());
    if (component == nullptr)
        return false;
    if (icalcomponent_isa(component) != ICAL_VTIMEZONE_COMPONENT ||
        icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY) == nullptr) {
        icalcomponent_free(component);
        return false;
    }
    std::unique_ptr<icaltimezone, CZoneFree> zone(icaltimezone_new());
    if (!icaltimezone_set_component(zone.get(), component)) { // takes the component
        icalcomponent_free(component);
        return false;
    }
    const char* tzid = icaltimezone_get_tzid(zone.get());
    if (tzid == nullptr)
        return false;
    m_pZones->found.erase(std::string(tzid));
    m_pZones->own[tzid] = std::move(zone);
    return true;
}

namespace {

// What an event or an overriding instance says, besides its times.
// An alarm offset seconds from the start: its lead in whole minutes (at least
// one), or, after the start, not carried.
void SetAlarm(long long offset, CEventMapper::CVariant& variant, CEventMapper::CEvent& event) {
    if (offset > 0) {
        event.lateAlarm = true;
        return;
    }
    long long minutes = (-offset + 59) / 60;
    variant.alarmLeadMinutes = static_cast<int>(std::max(1LL, std::min(minutes, 0x7FFFFFFFLL)));
}

CEventMapper::CVariant Variant(icalcomponent* event, const CEventMapper::CComponent& given,
                               bool allDay, std::time_t start, std::time_t end,
                               CEventMapper::CEvent& out) {
    CEventMapper::CVariant variant;
    if (given.hasTexts) {
        variant.title = given.title;
        variant.place = given.place;
        variant.comment = given.comment;
    } else {
        variant.title = Cp932(icalcomponent_get_summary(event), out.substitutes);
        variant.place = Cp932(icalcomponent_get_location(event), out.substitutes);
        variant.comment = Cp932(icalcomponent_get_description(event), out.substitutes);
    }
    variant.allDay = allDay;
    if (icalproperty* level = icalcomponent_get_first_property(event, ICAL_CLASS_PROPERTY)) {
        icalproperty_class value = icalproperty_get_class(level);
        variant.isPrivate = value == ICAL_CLASS_PRIVATE || value == ICAL_CLASS_CONFIDENTIAL;
    }
    // The first alarm set relative to the event: its lead before the start.
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm != nullptr; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (trigger == nullptr)
            continue;
        icaltriggertype value = icalproperty_get_trigger(trigger);
        if (!icaltime_is_null_time(value.time))
            continue; // an absolute time
        long long offset = icaldurationtype_as_int(value.duration);
        icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
        if (related != nullptr && icalparameter_get_related(related) == ICAL_RELATED_END)
            offset += static_cast<long long>(end - start);
        SetAlarm(offset, variant, out);
        break;
    }
    return variant;
}

} // namespace

CEventMapper::Result CEventMapper::Map(const CComponent& given,
                                       const std::vector<CComponent>& overrides, CEvent& event,
                                       std::string& why) {
    event = CEvent{};
    if (given.simple.usable && overrides.empty())
        return MapSimple(given, event, why);
    COwned master(icalparser_parse_string(given.ical.c_str()));
    if (!master || icalcomponent_isa(master.get()) != ICAL_VEVENT_COMPONENT) {
        why = "not an event";
        return Result::Malformed;
    }
    if (icalcomponent_get_status(master.get()) == ICAL_STATUS_CANCELLED)
        return Result::Cancelled;
    CZonedTime start, end;
    if (!m_pZones->Times(master.get(), start, end, why))
        return Result::Malformed;
    const bool allDay = icaltime_is_date(start.time);
    event.variants.push_back(
        Variant(master.get(), given, allDay, Instant(start), Instant(end), event));

    // Every occurrence lasts as long as the first, on the wall clock of its zone.
    icaltimetype endInStartZone = end.time;
    if (end.zone != nullptr && start.zone != nullptr && end.zone != start.zone)
        icaltimezone_convert_time(&endInStartZone, end.zone, start.zone);
    icaldurationtype length = icaltime_subtract(endInStartZone, start.time);
    if (icaldurationtype_as_int(length) < 0)
        length = icaldurationtype_null_duration();

    struct CFound {
        std::time_t at;
        CZonedTime start, end;
        size_t variant;
    };
    std::vector<CFound> found;
    auto endOf = [&](const CZonedTime& at) {
        CZonedTime finish = at;
        finish.time = icaltime_add(at.time, length);
        finish.open = end.open;
        return finish;
    };
    const bool recurring =
        icalcomponent_get_first_property(master.get(), ICAL_RRULE_PROPERTY) != nullptr ||
        icalcomponent_get_first_property(master.get(), ICAL_RDATE_PROPERTY) != nullptr;
    if (!recurring) {
        found.push_back({Instant(start), start, end, 0});
    } else {
        std::set<std::time_t> excluded;
        for (icalproperty* p = icalcomponent_get_first_property(master.get(), ICAL_EXDATE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(master.get(), ICAL_EXDATE_PROPERTY))
            excluded.insert(Instant(m_pZones->Of(p, icalproperty_get_exdate(p))));
        bool left = false; // occurrences outside the window were left out
        auto take = [&](const CZonedTime& at) {
            std::time_t instant = Instant(at);
            if (excluded.count(instant) != 0)
                return;
            if (instant < m_windowStart || instant > m_windowEnd) {
                left = true;
                return;
            }
            found.push_back({instant, at, endOf(at), 0});
        };
        take(start);   // the start is always the first occurrence
        int steps = 0; // across all the rules: a hostile file may give many
        for (icalproperty* p = icalcomponent_get_first_property(master.get(), ICAL_RRULE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(master.get(), ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq == ICAL_NO_RECURRENCE)
                continue;
            icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start.time);
            if (iterator == nullptr)
                continue;
            for (;; ++steps) {
                if (steps >= kMaxIterations || found.size() >= kMaxOccurrences) {
                    event.cut = true;
                    break;
                }
                icaltimetype next = icalrecur_iterator_next(iterator);
                if (icaltime_is_null_time(next))
                    break;
                CZonedTime at{next, start.zone};
                if (Instant(at) > m_windowEnd) {
                    left = true; // the rest lies beyond the window
                    break;
                }
                take(at);
            }
            icalrecur_iterator_free(iterator);
        }
        for (icalproperty* p = icalcomponent_get_first_property(master.get(), ICAL_RDATE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(master.get(), ICAL_RDATE_PROPERTY)) {
            icaldatetimeperiodtype date = icalproperty_get_rdate(p);
            icaltimetype at = icaltime_is_null_time(date.time) ? date.period.start : date.time;
            if (found.size() >= kMaxOccurrences)
                event.cut = true;
            else if (!icaltime_is_null_time(at) && icaltime_is_valid_time(at))
                take(m_pZones->Of(p, at));
        }
        std::sort(found.begin(), found.end(),
                  [](const CFound& a, const CFound& b) { return a.at < b.at; });
        found.erase(std::unique(found.begin(), found.end(),
                                [](const CFound& a, const CFound& b) { return a.at == b.at; }),
                    found.end());
        // Nothing within the window: the first occurrence stands for the event.
        if (found.empty() && excluded.count(Instant(start)) == 0)
            found.push_back({Instant(start), start, end, 0});
        event.outside = left ? 1 : 0;
    }

    // Instances that override an occurrence: moved, changed or cancelled.
    for (const CComponent& instanceGiven : overrides) {
        COwned instance(icalparser_parse_string(instanceGiven.ical.c_str()));
        if (!instance || icalcomponent_isa(instance.get()) != ICAL_VEVENT_COMPONENT)
            continue;
        icalproperty* id =
            icalcomponent_get_first_property(instance.get(), ICAL_RECURRENCEID_PROPERTY);
        if (id == nullptr)
            continue;
        std::time_t replaced = Instant(m_pZones->Of(id, icalproperty_get_recurrenceid(id)));
        auto same = std::find_if(found.begin(), found.end(),
                                 [replaced](const CFound& f) { return f.at == replaced; });
        const bool cancelled = icalcomponent_get_status(instance.get()) == ICAL_STATUS_CANCELLED;
        CZonedTime from, to;
        std::string ignored;
        if (!cancelled && !m_pZones->Times(instance.get(), from, to, ignored))
            continue;
        if (same != found.end())
            found.erase(same);
        if (cancelled)
            continue;
        std::time_t at = Instant(from);
        if (at < m_windowStart || at > m_windowEnd) {
            event.outside = 1;
            continue;
        }
        event.variants.push_back(Variant(instance.get(), instanceGiven, icaltime_is_date(from.time),
                                         at, Instant(to), event));
        found.push_back({at, from, to, event.variants.size() - 1});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const CFound& a, const CFound& b) { return a.at < b.at; });
    for (const CFound& f : found)
        event.occurrences.push_back(
            {Local(f.start), f.end.open ? NoEnd() : Local(f.end), f.variant});
    return Result::Mapped;
}

CEventMapper::Result CEventMapper::MapSimple(const CComponent& given, CEvent& event,
                                             std::string& why) {
    const CSimple& simple = given.simple;
    // A value as libical reads it, in the zone its TZID names.
    auto zoned = [this](const std::string& value, const std::string& zone) {
        CZonedTime time;
        time.time = TimeValue(value);
        if (icaltime_is_null_time(time.time) || icaltime_is_date(time.time))
            return time;
        if (icaltime_is_utc(time.time))
            time.zone = icaltimezone_get_utc_timezone();
        else if (!zone.empty())
            time.zone = m_pZones->Find(zone.c_str());
        return time;
    };
    if (simple.cancelled)
        return Result::Cancelled;
    CZonedTime start = zoned(simple.start, simple.startZone);
    if (!CZones::Usable(start.time)) {
        why = "DTSTART is not a time";
        return Result::Malformed;
    }
    CZonedTime end = start;
    if (CZonedTime given = zoned(simple.end, simple.endZone);
        !simple.end.empty() && CZones::Usable(given.time))
        end = given;
    else if (simple.end.empty() && !simple.duration.empty())
        end.time = icaltime_add(start.time, icaldurationtype_from_string(simple.duration.c_str()));
    else if (simple.end.empty())
        end.open = true;
    CVariant variant;
    variant.title = given.title;
    variant.place = given.place;
    variant.comment = given.comment;
    variant.allDay = icaltime_is_date(start.time);
    variant.isPrivate = simple.isPrivate;
    if (!simple.trigger.empty()) {
        // The reader keeps only a relative trigger: a duration.
        icaldurationtype duration = icaldurationtype_from_string(simple.trigger.c_str());
        if (!icaldurationtype_is_bad_duration(duration)) {
            long long offset = icaldurationtype_as_int(duration);
            if (simple.triggerEnd)
                offset += static_cast<long long>(Instant(end) - Instant(start));
            SetAlarm(offset, variant, event);
        }
    }
    event.variants.push_back(std::move(variant));
    event.occurrences.push_back({Local(start), end.open ? NoEnd() : Local(end), 0});
    return Result::Mapped;
}
