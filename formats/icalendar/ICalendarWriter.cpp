#include "ICalendarWriter.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <libical/ical.h>
#include <openssl/sha.h>
#include <ostream>

#include "ContentLine.h"
#include "Cp932.h"
#include "Original.h"

namespace {

#define KV_TEXT(record, member)                                                                    \
    CCp932::ToUtf8(CCp932::FieldText((record).member, sizeof((record).member)))

bool IsCalendarTime(const kvTimeBlock& time) {
    return time.yearsSince1900 >= 1 - 1900 && time.yearsSince1900 <= 9999 - 1900 &&
           time.month >= 0 && time.month <= 11 && time.dayOfMonth >= 1 && time.dayOfMonth <= 31 &&
           time.hours >= 0 && time.hours <= 23 && time.minutes >= 0 && time.minutes <= 59;
}

std::string Stamp(const kvTimeBlock& time, bool date) {
    char text[32];
    if (date)
        std::snprintf(text, sizeof(text), "%04d%02d%02d", time.yearsSince1900 + 1900,
                      time.month + 1, time.dayOfMonth);
    else
        std::snprintf(text, sizeof(text), "%04d%02d%02dT%02d%02d00", time.yearsSince1900 + 1900,
                      time.month + 1, time.dayOfMonth, time.hours, time.minutes);
    return text;
}

} // namespace

CICalendarWriter::CICalendarWriter(std::ostream& out, std::string zone)
    : m_out(out), m_strZone(zone.empty() ? LocalZoneName() : std::move(zone)) {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof(text), "%Y%m%dT%H%M%SZ", &utc);
    m_strStamp = text;
}

std::string CICalendarWriter::LocalZoneName() {
    auto known = [](std::string name) {
        if (!name.empty() && name.front() == ':')
            name.erase(0, 1);
        const std::string marker = "zoneinfo/";
        if (size_t at = name.rfind(marker); at != std::string::npos)
            name.erase(0, at + marker.size());
        return !name.empty() && icaltimezone_get_builtin_timezone(name.c_str()) != nullptr
                   ? name
                   : std::string();
    };
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0')
        return known(tz);
    std::string name;
    if (std::ifstream file("/etc/timezone"); std::getline(file, name))
        if (std::string found = known(name); !found.empty())
            return found;
    std::error_code error;
    std::filesystem::path link = std::filesystem::read_symlink("/etc/localtime", error);
    return error ? std::string() : known(link.string());
}

void CICalendarWriter::Begin() {
    m_out << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//kelvo//kelvo-admin " KELVO_VERSION
             "//JA\r\nCALSCALE:GREGORIAN\r\n";
    if (m_strZone.empty())
        return;
    icaltimezone* zone = icaltimezone_get_builtin_timezone(m_strZone.c_str());
    icalcomponent* component = zone != nullptr ? icaltimezone_get_component(zone) : nullptr;
    if (component == nullptr) {
        m_strZone.clear();
        return;
    }
    m_zones.insert(m_strZone);
    // Under the zone's own name rather than the library's prefixed one.
    icalcomponent* copy = icalcomponent_new_clone(component);
    if (icalproperty* tzid = icalcomponent_get_first_property(copy, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, m_strZone.c_str());
    m_out << icalcomponent_as_ical_string(copy);
    icalcomponent_free(copy);
}

void CICalendarWriter::Write(const kvScheduleRecord& record, std::string_view original) {
    const COriginal::CParsed kept = COriginal::Parse(original);
    if (!kept.series.empty()) {
        // The series goes out once, whole, with the entry that holds it; its
        // other occurrences are in it.
        if (m_series.count(kept.series) != 0)
            return;
        bool whole = false;
        for (const std::string& line : kept.lines)
            whole = whole || CContentLine::Matches(line, "BEGIN:VEVENT");
        if (whole) {
            m_series.insert(kept.series);
            WriteSeries(kept.lines);
            return;
        }
    }
    const bool allDay = record.allDay != 0;
    // A time no calendar has (an Outlook file's empty date, say) is written as
    // the first of January 1900 and kept as it is in X-KELVO-START or
    // X-KELVO-END, which the import reads back and other programs pass over.
    // An entry without an end (the year 1970) is an event without DTEND.
    const bool open = record.end.yearsSince1900 == 70;
    const bool startKept = !IsCalendarTime(record.start);
    const bool endKept = !open && !IsCalendarTime(record.end);
    kvTimeBlock start = record.start;
    if (startKept) {
        start = kvTimeBlock{};
        start.dayOfMonth = 1;
    }
    const kvTimeBlock& end = endKept ? start : record.end;
    const std::string title = kept.Text("title", record.title, sizeof(record.title));
    const std::string owner = KV_TEXT(record, owner);
    // The event's own UID and DTSTAMP where it came with them, and every
    // other line it came with, given back after the groupware's own.
    std::string uidLine, stampLine;
    std::vector<const std::string*> others;
    CContentLine property;
    for (const std::string& line : kept.lines) {
        const bool parsed = property.Parse(line);
        if (parsed && property.Name() == "UID" && uidLine.empty())
            uidLine = line;
        else if (parsed && property.Name() == "DTSTAMP" && stampLine.empty())
            stampLine = line;
        else
            others.push_back(&line);
    }
    if (uidLine.empty()) {
        // Numbered where the same owner, start and title repeat in one export.
        const std::string key = DerivedKey(record, kept);
        uidLine = "UID:" + DerivedUid(key, m_uids[key]++);
    }

    m_out << "BEGIN:VEVENT\r\n";
    CContentLine::WriteFolded(m_out, uidLine);
    if (stampLine.empty())
        m_out << "DTSTAMP:" << m_strStamp << "\r\n";
    else
        CContentLine::WriteFolded(m_out, stampLine);
    const std::string zone = m_strZone.empty() ? "" : ";TZID=" + m_strZone;
    if (allDay) {
        m_out << "DTSTART;VALUE=DATE:" << Stamp(start, true) << "\r\n";
        if (!open)
            m_out << "DTEND;VALUE=DATE:" << Stamp(end, true) << "\r\n";
    } else {
        m_out << "DTSTART" << zone << ":" << Stamp(start, false) << "\r\n";
        if (!open)
            m_out << "DTEND" << zone << ":" << Stamp(end, false) << "\r\n";
    }
    auto keptTime = [this](const char* name, const kvTimeBlock& time) {
        m_out << name << ":" << time.yearsSince1900 << "," << time.month << "," << time.dayOfMonth
              << "," << time.hours << "," << time.minutes << "," << time.seconds << "\r\n";
    };
    if (startKept)
        keptTime("X-KELVO-START", record.start);
    if (endKept)
        keptTime("X-KELVO-END", record.end);
    CContentLine::WriteFolded(m_out, "SUMMARY:" + CContentLine::Escape(title));
    if (record.place[0] != '\0')
        CContentLine::WriteFolded(m_out, "LOCATION:" +
                                             CContentLine::Escape(kept.Text("place", record.place,
                                                                            sizeof(record.place))));
    if (record.comment[0] != '\0')
        CContentLine::WriteFolded(
            m_out, "DESCRIPTION:" + CContentLine::Escape(kept.Text("comment", record.comment,
                                                                   sizeof(record.comment))));
    m_out << (record.isPublic != 0 ? "CLASS:PUBLIC\r\n" : "CLASS:PRIVATE\r\n");
    if (record.alarmLeadMinutes > 0) {
        m_out << "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        CContentLine::WriteFolded(m_out, "DESCRIPTION:" + CContentLine::Escape(title));
        m_out << "TRIGGER:-PT" << record.alarmLeadMinutes << "M\r\nEND:VALARM\r\n";
    }
    for (const std::string* line : others)
        CContentLine::WriteFolded(m_out, *line);
    m_out << "END:VEVENT\r\n";
}

void CICalendarWriter::WriteSeries(const std::vector<std::string>& lines) {
    // The zones first, each once in the file (the desktop's among them),
    // then the series' events as they came.
    bool inZone = false, skipZone = false;
    CContentLine property;
    for (const std::string& line : lines) {
        if (CContentLine::Matches(line, "BEGIN:VTIMEZONE")) {
            inZone = true;
            // Its TZID comes among the next lines: found here ahead.
            skipZone = false;
            for (size_t i = static_cast<size_t>(&line - lines.data()) + 1; i < lines.size(); ++i) {
                if (CContentLine::Matches(lines[i], "END:VTIMEZONE"))
                    break;
                if (property.Parse(lines[i]) && property.Name() == "TZID") {
                    skipZone = !m_zones.insert(std::string(property.Value())).second;
                    break;
                }
            }
        }
        if (inZone && !skipZone)
            CContentLine::WriteFolded(m_out, line);
        if (inZone && CContentLine::Matches(line, "END:VTIMEZONE"))
            inZone = false;
    }
    inZone = false;
    for (const std::string& line : lines) {
        if (CContentLine::Matches(line, "BEGIN:VTIMEZONE"))
            inZone = true;
        if (!inZone)
            CContentLine::WriteFolded(m_out, line);
        if (CContentLine::Matches(line, "END:VTIMEZONE"))
            inZone = false;
    }
}

std::string CICalendarWriter::DerivedKey(const kvScheduleRecord& record,
                                         const COriginal::CParsed& kept) {
    return KV_TEXT(record, owner) + '\n' + Stamp(record.start, false) + '\n' +
           std::to_string(record.allDay != 0) + '\n' +
           kept.Text("title", record.title, sizeof(record.title));
}

std::string CICalendarWriter::DerivedUid(std::string key, int repeat) {
    key += '\n' + std::to_string(repeat);
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(key.data()), key.size(), digest);
    char uid[40];
    for (int i = 0; i < 16; ++i)
        std::snprintf(uid + 2 * i, 3, "%02x", digest[i]);
    return std::string(uid) + "@kelvo";
}

std::string CICalendarWriter::UidOf(const kvScheduleRecord& record,
                                    const COriginal::CParsed& kept) {
    if (!kept.series.empty())
        return kept.series;
    CContentLine property;
    for (const std::string& line : kept.lines)
        if (property.Parse(line) && property.Name() == "UID")
            return std::string(property.Value());
    return DerivedUid(DerivedKey(record, kept), 0);
}

void CICalendarWriter::End() {
    m_out << "END:VCALENDAR\r\n";
}
