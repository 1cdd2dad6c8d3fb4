#include "EventMapper.h"

#include <algorithm>
#include <chrono>
#include <libical/ical.h>
#include <set>
#include <string_view>

#include "CalendarZones.h"
#include "PropertyText.h"
#include "RuleCheck.h"
#include "ZonedTime.h"

namespace {

// A component owned here, freed however the mapping ends.
struct CComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using COwned = std::unique_ptr<icalcomponent, CComponentFree>;

// The groupware's entry without an end: the year 1970, the rest zero.
kvTimeBlock NoEnd() {
    kvTimeBlock block{};
    block.yearsSince1900 = 70;
    return block;
}

// How long every occurrence lasts: as the first, on the wall clock of its zone.
icaldurationtype Length(const CZonedTime& start, const CZonedTime& end) {
    icaltimetype endInStartZone = end.time;
    if (end.zone != nullptr && start.zone != nullptr && end.zone != start.zone)
        icaltimezone_convert_time(&endInStartZone, end.zone, start.zone);
    icaldurationtype length = icaltime_subtract(endInStartZone, start.time);
    return icaldurationtype_as_int(length) < 0 ? icaldurationtype_null_duration() : length;
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

std::string Text(const char* utf8) {
    return utf8 != nullptr ? std::string(utf8) : std::string();
}

// Whether a rule ends (COUNT or UNTIL); a series of such rules (and dates) is finite.
bool Ends(icalcomponent* master) {
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (rule.freq != ICAL_NO_RECURRENCE && rule.count == 0 && icaltime_is_null_time(rule.until))
            return false;
    }
    return true;
}

} // namespace

struct CEventMapper::CFound {
    std::time_t at;
    CZonedTime start, end;
    size_t variant;
};

CEventMapper::CEventMapper(std::time_t now) : m_pZones(std::make_unique<CCalendarZones>()) {
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

bool CEventMapper::AddZone(const std::string& text, std::string& why) {
    return m_pZones->Add(text, why);
}

std::string CEventMapper::TakeUnfoundZone() {
    return m_pZones->TakeUnfound();
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
        variant.unicode = given.textsUnicode;
    } else {
        variant.title = Text(icalcomponent_get_summary(event));
        variant.place = Text(icalcomponent_get_location(event));
        variant.comment = Text(icalcomponent_get_description(event));
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
    m_bWindowed = !Ends(master.get());
    event.variants.push_back(
        Variant(master.get(), given, allDay, start.Instant(), end.Instant(), event));
    std::vector<CFound> found = Expand(master.get(), start, end, event);
    ApplyOverrides(overrides, found, event);
    Emit(found, event);
    return Result::Mapped;
}

std::vector<CEventMapper::CFound> CEventMapper::Expand(icalcomponent* master,
                                                       const CZonedTime& start,
                                                       const CZonedTime& end, CEvent& event) {
    if (icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY) == nullptr &&
        icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY) == nullptr)
        return {{start.Instant(), start, end, 0}};
    std::set<std::time_t> excluded;
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY))
        excluded.insert(m_pZones->Of(p, icalproperty_get_exdate(p)).Instant());
    const icaldurationtype length = Length(start, end);
    std::vector<CFound> found;
    bool left = false; // occurrences outside the window were left out
    auto take = [&](const CZonedTime& at) {
        std::time_t instant = at.Instant();
        if (excluded.count(instant) != 0)
            return;
        if (m_bWindowed && (instant < m_windowStart || instant > m_windowEnd)) {
            left = true;
            return;
        }
        CZonedTime finish = at;
        finish.time = icaltime_add(at.time, length);
        finish.open = end.open;
        found.push_back({instant, at, finish, 0});
    };
    take(start); // the start is always the first occurrence
    if (!FollowRules(master, start, found, take, event))
        left = true;
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
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
    if (found.empty() && excluded.count(start.Instant()) == 0)
        found.push_back({start.Instant(), start, end, 0});
    event.outside = left ? 1 : 0;
    return found;
}

bool CEventMapper::FollowRules(icalcomponent* master, const CZonedTime& start,
                               const std::vector<CFound>& found,
                               const std::function<void(const CZonedTime&)>& take, CEvent& event) {
    bool within = true;
    int steps = 0; // across all the rules: a hostile file may give many
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (rule.freq == ICAL_NO_RECURRENCE)
            continue;
        if (m_spent >= kRuleTime) {
            event.unfollowed = CEvent::Unfollowed::TooLong;
            continue;
        }
        switch (CRuleCheck::Of(rule)) {
        case CRuleCheck::Verdict::Never:
            event.unfollowed = CEvent::Unfollowed::Never;
            continue;
        case CRuleCheck::Verdict::Unbounded:
            event.unfollowed = CEvent::Unfollowed::Unbounded;
            continue;
        case CRuleCheck::Verdict::Follow:
            break;
        }
        icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start.time);
        if (iterator == nullptr)
            continue;
        const auto began = std::chrono::steady_clock::now();
        for (;; ++steps) {
            if (steps >= kMaxIterations || found.size() >= kMaxOccurrences) {
                event.cut = true;
                break;
            }
            // What a rule the check lets through may still cost is bounded
            // for the whole file (a call of libical's is never cut short).
            if (m_spent + (std::chrono::steady_clock::now() - began) >= kRuleTime) {
                event.unfollowed = CEvent::Unfollowed::TooLong;
                break;
            }
            icaltimetype next = icalrecur_iterator_next(iterator);
            if (icaltime_is_null_time(next))
                break;
            CZonedTime at;
            at.time = next;
            at.zone = start.zone;
            if (m_bWindowed && at.Instant() > m_windowEnd) {
                within = false; // the rest lies beyond the window
                break;
            }
            take(at);
        }
        m_spent += std::chrono::steady_clock::now() - began;
        icalrecur_iterator_free(iterator);
    }
    return within;
}

void CEventMapper::ApplyOverrides(const std::vector<CComponent>& overrides,
                                  std::vector<CFound>& found, CEvent& event) {
    for (const CComponent& given : overrides) {
        COwned instance(icalparser_parse_string(given.ical.c_str()));
        if (!instance || icalcomponent_isa(instance.get()) != ICAL_VEVENT_COMPONENT)
            continue;
        icalproperty* id =
            icalcomponent_get_first_property(instance.get(), ICAL_RECURRENCEID_PROPERTY);
        if (id == nullptr)
            continue;
        std::time_t replaced = m_pZones->Of(id, icalproperty_get_recurrenceid(id)).Instant();
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
        std::time_t at = from.Instant();
        if (m_bWindowed && (at < m_windowStart || at > m_windowEnd)) {
            event.outside = 1;
            continue;
        }
        event.variants.push_back(
            Variant(instance.get(), given, icaltime_is_date(from.time), at, to.Instant(), event));
        found.push_back({at, from, to, event.variants.size() - 1});
    }
}

void CEventMapper::Emit(std::vector<CFound>& found, CEvent& event) {
    std::stable_sort(found.begin(), found.end(),
                     [](const CFound& a, const CFound& b) { return a.at < b.at; });
    for (const CFound& f : found)
        event.occurrences.push_back(
            {f.start.Local(), f.end.open ? NoEnd() : f.end.Local(), f.variant});
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
    if (!CCalendarZones::Usable(start.time)) {
        why = "DTSTART is not a time";
        return Result::Malformed;
    }
    CZonedTime end = start;
    if (CZonedTime given = zoned(simple.end, simple.endZone);
        !simple.end.empty() && CCalendarZones::Usable(given.time))
        end = given;
    else if (simple.end.empty() && !simple.duration.empty())
        end.time = icaltime_add(start.time, icaldurationtype_from_string(simple.duration.c_str()));
    else if (simple.end.empty())
        end.open = true;
    CVariant variant;
    variant.title = given.title;
    variant.place = given.place;
    variant.comment = given.comment;
    variant.unicode = given.textsUnicode;
    variant.allDay = icaltime_is_date(start.time);
    variant.isPrivate = simple.isPrivate;
    if (!simple.trigger.empty()) {
        // The reader keeps only a relative trigger: a duration.
        icaldurationtype duration = icaldurationtype_from_string(simple.trigger.c_str());
        if (!icaldurationtype_is_bad_duration(duration)) {
            long long offset = icaldurationtype_as_int(duration);
            if (simple.triggerEnd)
                offset += static_cast<long long>(end.Instant() - start.Instant());
            SetAlarm(offset, variant, event);
        }
    }
    event.variants.push_back(std::move(variant));
    event.occurrences.push_back({start.Local(), end.open ? NoEnd() : end.Local(), 0});
    return Result::Mapped;
}
