#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kelvo.h"

class CCalendarZones;
struct CZonedTime;
struct icalcomponent_impl;

// Parsed iCalendar events (libical) as schedule entries in the desktop's
// local time: zones from the file's own VTIMEZONEs or the system's zone
// database, UTC, or floating (taken as local); all-day events as dates with
// the end exclusive; recurrences (RRULE, RDATE, EXDATE, instances overridden
// by RECURRENCE-ID) expanded into single occurrences within a window.
class CEventMapper {
public:
    // What an occurrence says: the event's texts (UTF-8 when unicode, else
    // code page 932 as the file gave them) and flags, or an overriding instance's.
    struct CVariant {
        std::string title, place, comment;
        bool unicode = true;
        bool allDay = false;
        bool isPrivate = false; // CLASS:PRIVATE or CONFIDENTIAL
        int alarmLeadMinutes = 0;
    };
    struct COccurrence {
        kvTimeBlock start{};
        kvTimeBlock end{};
        size_t variant = 0;
    };
    struct CEvent {
        std::vector<CVariant> variants;
        std::vector<COccurrence> occurrences; // in time order
        int outside = 0;                      // occurrences outside the window, not taken
        bool cut = false;                     // the recurrence ran past the iterations allowed
        // A rule not followed (the event keeps the occurrences its other
        // rules and dates give, its start at least): why.
        enum class Unfollowed { No, Never, Unbounded, TooLong } unfollowed = Unfollowed::No;
        bool lateAlarm = false; // an alarm after the start: not carried
    };
    enum class Result { Mapped, Cancelled, Malformed };
    // An event or overriding instance: its text for libical (UTF-8) and,
    // when the reader took them out of it, its texts (unescaped, UTF-8 when
    // textsUnicode, else code page 932), so that they need no conversion there
    // and back.
    // What a single event (no recurrence, no override, no component but
    // alarms) says of its times, status, class and first relative alarm, as
    // the reader found the properties: such an event is mapped from these,
    // with libical's value parsers, without its component parser.
    struct CSimple {
        bool usable = false;
        std::string start, startZone; // DTSTART's value and TZID
        std::string end, endZone;     // DTEND's
        std::string duration;
        bool cancelled = false;
        bool isPrivate = false;
        std::string trigger;     // the first relative TRIGGER's value
        bool triggerEnd = false; // RELATED=END
    };
    struct CComponent {
        std::string ical;
        bool hasTexts = false;
        bool textsUnicode = true;
        std::string title, place, comment;
        // What the record cannot hold, as the file has it (UTF-8 lines): every
        // line of the component (for a series, given back whole), and those
        // of them that no field takes (for a single event).
        std::string source;
        std::vector<std::string> unmapped;
        CSimple simple;
        // Times no calendar has, as this program's export keeps them
        // (X-KELVO-START, X-KELVO-END): they stand for DTSTART and DTEND.
        bool hasKeptStart = false, hasKeptEnd = false;
        kvTimeBlock keptStart{}, keptEnd{};
        // Characters its texts lost before they were read here (a vCalendar
        // value decoded from another set into code page 932).
        int lost = 0;
    };

    // The window: from a year before now to two years after. A series that
    // ends (COUNT or UNTIL) is taken whole, wherever it lies; only one that
    // goes on for ever is taken within the window.
    explicit CEventMapper(std::time_t now = 0);
    ~CEventMapper();
    CEventMapper(const CEventMapper&) = delete;
    CEventMapper& operator=(const CEventMapper&) = delete;

    // A recurrence is followed at most this many steps, and yields at most
    // this many occurrences (a daily event over the window has 1,097).
    static constexpr int kMaxIterations = 100000;
    static constexpr size_t kMaxOccurrences = 5000;
    // The time all rules of one calendar may take to follow; the rest are not.
    static constexpr std::chrono::seconds kRuleTime{5};
    std::time_t WindowStart() const { return m_windowStart; }
    std::time_t WindowEnd() const { return m_windowEnd; }

    // A VTIMEZONE component (UTF-8 text); false when it cannot be used, with
    // why and what stands for it.
    bool AddZone(const std::string& text, std::string& why);
    // The last TZID since the last call that named no zone (its times were
    // taken as floating), taken.
    std::string TakeUnfoundZone();
    // A VEVENT and the instances that override some of its occurrences; why
    // holds the reason of a Malformed result.
    Result Map(const CComponent& master, const std::vector<CComponent>& overrides, CEvent& event,
               std::string& why);

private:
    // An occurrence found: its instant, its times and which variant it shows.
    struct CFound;

    Result MapSimple(const CComponent& given, CEvent& event, std::string& why);
    // Expanding the rules: a master's occurrences within the window (its
    // start, its RRULEs and RDATEs, less its EXDATEs), in time order.
    std::vector<CFound> Expand(icalcomponent_impl* master, const CZonedTime& start,
                               const CZonedTime& end, CEvent& event);
    // Follows master's RRULEs from start, handing each occurrence to take
    // until found holds as many as allowed; false when the window's end was
    // reached with more to come.
    bool FollowRules(icalcomponent_impl* master, const CZonedTime& start,
                     const std::vector<CFound>& found,
                     const std::function<void(const CZonedTime&)>& take, CEvent& event);
    // Applying the overrides: instances that move, change or cancel an
    // occurrence of found.
    void ApplyOverrides(const std::vector<CComponent>& overrides, std::vector<CFound>& found,
                        CEvent& event);
    // Emitting: found, in time order, as the event's occurrences in local time.
    static void Emit(std::vector<CFound>& found, CEvent& event);

    std::unique_ptr<CCalendarZones> m_pZones;
    std::time_t m_windowStart;
    std::time_t m_windowEnd;
    bool m_bWindowed = true;                       // the event being mapped recurs without end
    std::chrono::steady_clock::duration m_spent{}; // following rules, so far
};
