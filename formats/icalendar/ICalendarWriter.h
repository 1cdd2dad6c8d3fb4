#pragma once

#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Original.h"
#include "kelvo.h"

// Writes schedule entries as one iCalendar (RFC 5545) in UTF-8: the
// desktop's zone as a VTIMEZONE (from the system's zone database), each entry
// a VEVENT at its local wall-clock time in that zone, with a UID derived from
// the entry's owner, start and title (the same entry gets the same UID in
// every export), CLASS from the public flag and the alarm as a VALARM.
// What an entry keeps beside its record (its original) is given back: its
// own UID and DTSTAMP, the whole texts of its fields, every other property
// it came with; a recurring series goes out once, as it came (its event,
// the instances that override it and the zones they name), not as its
// occurrences.
class CICalendarWriter {
public:
    // zone: an IANA zone name; empty for the desktop's ("" when it cannot be
    // told: times are then written floating, as local time).
    explicit CICalendarWriter(std::ostream& out, std::string zone = std::string());

    void Begin();
    // Every entry: times no calendar has are kept in X-KELVO-START/-END.
    // original: UTF-8 content lines (kelvo.h), empty for none.
    void Write(const kvScheduleRecord& record, std::string_view original = std::string_view());
    void End();

    // The desktop's zone name from TZ, /etc/timezone or /etc/localtime; empty if none.
    static std::string LocalZoneName();
    // The UID the entry is written with, alone in an export: its series', its
    // own, or the one made of its owner, start and title.
    // kept: the entry's original, parsed (COriginal::Parse).
    static std::string UidOf(const kvScheduleRecord& record, const COriginal::CParsed& kept);

private:
    // What a made UID is made of, and the UID (repeat: how often the same
    // owner, start and title came before in the export).
    static std::string DerivedKey(const kvScheduleRecord& record, const COriginal::CParsed& kept);
    static std::string DerivedUid(std::string key, int repeat);
    // A series as it came (the lines an entry keeps beside it).
    void WriteSeries(const std::vector<std::string>& lines);

    std::ostream& m_out;
    std::string m_strZone;
    std::string m_strStamp;            // DTSTAMP: when the export was made
    std::map<std::string, int> m_uids; // entries with the same key, numbered
    std::set<std::string> m_zones;     // the TZIDs of the zones written
    std::set<std::string> m_series;    // the series written whole
};
