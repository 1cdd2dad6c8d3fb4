#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ContentLine.h"
#include "ContentLineReader.h"
#include "EventMapper.h"
#include "RecordReader.h"
#include "VCalendarLines.h"
#include "kelvo.h"

// Turns an iCalendar file (RFC 5545, and vCalendar 1.0 as phones write it)
// into schedule entries, one occurrence per step. Components are
// read one at a time: zones as they come, events mapped at once, except the
// recurring ones and the instances that override them, which wait for the
// file's end (an override may come anywhere) unless they grow too large to
// keep. To-dos, journals and cancelled events are skipped and counted.
class CICalendarReader : public CRecordReader {
public:
    // now: the time the expansion window is around (0: the current time).
    CICalendarReader(CTextFile& file, bool isPublic, std::time_t now = 0);
    ~CICalendarReader() override;

    Start Begin() override;
    Step Next() override;
    std::string Describe() const override;

    // The recurring events kept for the file's end, at most this much text.
    static constexpr size_t kMaxHeld = 64u << 20;
    // A component longer than this is no calendar's.
    static constexpr size_t kMaxComponent = 16u << 20;

private:
    struct CHeld {
        std::string uid;
        int64_t line = 0;
        CEventMapper::CComponent master;
        std::vector<std::pair<int64_t, CEventMapper::CComponent>> overrides;
    };
    enum class Read { End, Event, Held, Other };
    // Reads up to the next event (mapped into m_event) or skipped component.
    Read ReadComponent();
    // A component as read up to its END: the text libical is given (of an
    // event only what it reads: times, recurrence, status, class, alarms;
    // UTF-8) and the texts taken here (code page 932), what it is, and where
    // the reading stands.
    struct CGathered {
        std::string name; // upper case
        CEventMapper::CComponent component;
        std::string uid;
        bool recurring = false;  // RRULE or RDATE
        bool isOverride = false; // RECURRENCE-ID
        bool complete = false;   // its END came, and it was not too large
        int depth = 1;           // components open (itself, and one inside it)
        bool plain = false;      // an event mappable from what is read here (CSimple)
        bool inAlarm = false;
        bool haveStart = false;
        bool tooLarge = false;
        std::string tzid;               // a zone's TZID
        std::vector<std::string> inner; // a component inside it being read
        bool innerRelative = false;     // ... an alarm set relative to the event
        bool alarmMapped = false;       // the alarm the entry takes was passed
        std::string innerName;          // ... its name
        bool IsEvent() const { return name == "VEVENT"; }
    };
    // Reads the component whose BEGIN line named name (upper case).
    CGathered Gather(const std::string& name);
    // A line of the component being gathered; true at its END.
    bool GatherLine(const std::string& line, CGathered& gathered);
    // What a line of the component does to gathered; whether libical is given it.
    bool Take(std::string_view key, const std::string& line, CGathered& gathered);
    // A line of the component's own properties, and one of a component inside it.
    bool TakeProperty(std::string_view key, const std::string& line, CGathered& gathered);
    bool TakeInner(std::string_view key, const std::string& line, CGathered& gathered);
    // Appends line (UTF-8) to the text libical is given, unless it grows too large.
    static void AddForLibical(const std::string& line, CGathered& gathered);
    // Notes a line (UTF-8) of the component as the file has it, and among
    // the lines no field takes where it is one of them.
    void Note(std::string_view key, const std::string& line, CGathered& gathered);
    // Takes a plain event's DTSTART, DTEND, DURATION, STATUS or CLASS line into
    // simple; false when the event must go through libical's parser instead.
    static bool ReadSimple(std::string_view key, const std::string& line, CContentLine& property,
                           CEventMapper::CSimple& simple, bool& haveStart);
    // "Y,M,D,h,m,s" of X-KELVO-START or X-KELVO-END into time; false when not so.
    static bool ReadKeptTime(std::string_view value, kvTimeBlock& time);
    // Maps an event into m_event; false when it yields nothing to store.
    // uid: the series it is (empty for an event that stands alone).
    bool MapEvent(int64_t line, const CEventMapper::CComponent& master,
                  const std::vector<std::pair<int64_t, CEventMapper::CComponent>>& overrides,
                  const std::string& uid = std::string());
    // The held events, handed to m_pending for mapping one at a time.
    void ReleaseHeld();
    Step StoreOccurrence();

    CContentLineReader m_lines;
    CContentLine m_property; // the line being looked at, reused
    CEventMapper m_mapper;
    std::unique_ptr<kvScheduleRecord> m_pRecord;
    size_t m_nCommentUsed = sizeof(kvScheduleRecord::comment);
    CEventMapper::CEvent m_event;
    size_t m_nNext = 0; // the next occurrence of m_event to store
    int64_t m_nEventLine = 0;
    int m_nEventLost = 0; // characters its texts lost before they were read (CComponent)
    // What the entries of m_event keep beside them: the series' UID and its
    // components (with the zones they name), or a single event's lines that
    // no field takes.
    std::string m_strSeries;
    std::vector<std::string> m_definition;
    std::vector<std::string> m_unmapped;
    std::map<std::string, std::string> m_zones; // VTIMEZONEs as the file has them, by TZID
    std::map<std::string, CHeld> m_held;        // by UID
    size_t m_nHeldBytes = 0;
    std::vector<CHeld> m_pending;
    bool m_bEnded = false;
    std::string m_strUtf8; // a line converted for libical, reused
    // The calendar is vCalendar 1.0: its lines are read as iCalendar's.
    std::unique_ptr<CVCalendarLines> m_pVersion1;
};
