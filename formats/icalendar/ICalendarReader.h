#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kelvo.h"

#include "ContentLine.h"
#include "ContentLineReader.h"
#include "EventMapper.h"
#include "RecordReader.h"

// Turns an iCalendar file (RFC 5545) into schedule entries, one occurrence
// per step. Components are
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
        int64_t line = 0;
        CEventMapper::CComponent master;
        std::vector<std::pair<int64_t, CEventMapper::CComponent>> overrides;
    };
    enum class Read { End, Event, Held, Other };
    // Reads up to the next event (mapped into m_event) or skipped component.
    Read ReadComponent();
    // The lines of a component up to its END, as UTF-8 for libical; false
    // when the file ends first. name: the component's name (upper case). Of
    // an event, libical gets only what it reads (times, recurrence, status,
    // class, alarms); the texts are taken here, in code page 932.
    bool Gather(const std::string& name, CEventMapper::CComponent& component, bool& recurring,
                bool& isOverride, std::string& uid);
    // Takes a plain event's DTSTART, DTEND, DURATION, STATUS or CLASS line into
    // simple; false when the event must go through libical's parser instead.
    static bool ReadSimple(std::string_view key, const std::string& line, CContentLine& property,
                           CEventMapper::CSimple& simple, bool& haveStart);
    // "Y,M,D,h,m,s" of X-KELVO-START or X-KELVO-END into time; false when not so.
    static bool ReadKeptTime(std::string_view value, kvTimeBlock& time);
    // Maps an event into m_event; false when it yields nothing to store.
    bool MapEvent(int64_t line, const CEventMapper::CComponent& master,
                  const std::vector<std::pair<int64_t, CEventMapper::CComponent>>& overrides);
    // The held events, handed to m_pending for mapping one at a time.
    void ReleaseHeld();
    Step StoreOccurrence();

    CContentLineReader m_lines;
    CEventMapper m_mapper;
    std::unique_ptr<kvScheduleRecord> m_pRecord;
    size_t m_nCommentUsed = sizeof(kvScheduleRecord::comment);
    CEventMapper::CEvent m_event;
    size_t m_nNext = 0; // the next occurrence of m_event to store
    int64_t m_nEventLine = 0;
    int m_nEventSubstitutes = 0;
    std::map<std::string, CHeld> m_held; // by UID
    size_t m_nHeldBytes = 0;
    std::vector<CHeld> m_pending;
    bool m_bEnded = false;
};
