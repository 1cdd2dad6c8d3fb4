#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>

#include "Cp932.h"
#include "ImportFile.h"
#include "ImportSession.h"
#include "TextFile.h"
#include "RecordingBackend.h"

// iCalendar files as calendar services write them, through the import
// session, on a desktop in Tokyo.
namespace {

template <size_t N> std::string Field(const char (&field)[N]) {
    return CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, N)));
}

std::string When(const kvTimeBlock& time) {
    char text[64];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", time.yearsSince1900 + 1900,
                  time.month + 1, time.dayOfMonth, time.hours, time.minutes);
    return text;
}

// The desktop's zone for the test's length.
class CDesktopZone {
public:
    explicit CDesktopZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_strOld = old, m_bHad = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CDesktopZone() {
        if (m_bHad)
            setenv("TZ", m_strOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_strOld;
    bool m_bHad = false;
};

const char kCalendar[] = R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Example//Calendar//EN
X-WR-TIMEZONE:Asia/Tokyo
BEGIN:VTIMEZONE
TZID:Eastern
BEGIN:STANDARD
DTSTART:19701101T020000
RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU
TZOFFSETFROM:-0400
TZOFFSETTO:-0500
END:STANDARD
BEGIN:DAYLIGHT
DTSTART:19700308T020000
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU
TZOFFSETFROM:-0500
TZOFFSETTO:-0400
END:DAYLIGHT
END:VTIMEZONE
BEGIN:VEVENT
UID:weekly@example
RECURRENCE-ID;TZID=Asia/Tokyo:20261215T100000
DTSTART;TZID=Asia/Tokyo:20261215T140000
DTEND;TZID=Asia/Tokyo:20261215T150000
SUMMARY:定例会議（時間変更）
END:VEVENT
BEGIN:VEVENT
UID:weekly@example
DTSTART;TZID=Asia/Tokyo:20261201T100000
DTEND;TZID=Asia/Tokyo:20261201T110000
RRULE:FREQ=WEEKLY;COUNT=5
EXDATE;TZID=Asia/Tokyo:20261208T100000
SUMMARY:定例会議
LOCATION:会議室A
DESCRIPTION:議題\n進捗\, 課題
BEGIN:VALARM
ACTION:DISPLAY
TRIGGER:-PT15M
END:VALARM
END:VEVENT
BEGIN:VEVENT
UID:ny@example
DTSTART;TZID=Eastern:20260710T190000
DTEND;TZID=Eastern:20260710T200000
SUMMARY:NY call
CLASS:PRIVATE
END:VEVENT
BEGIN:VEVENT
UID:holiday@example
DTSTART;VALUE=DATE:20261224
DTEND;VALUE=DATE:20261226
SUMMARY:休暇
END:VEVENT
BEGIN:VTODO
UID:todo@example
SUMMARY:やること
END:VTODO
BEGIN:VEVENT
UID:utc@example
DTSTART:20261211T000000Z
DURATION:PT30M
SUMMARY:UTC
BEGIN:VALARM
TRIGGER;RELATED=END:-PT45M
END:VALARM
END:VEVENT
BEGIN:VEVENT
UID:floating@example
DTSTART:20261212T083000
SUMMARY:floating
END:VEVENT
BEGIN:VEVENT
UID:gone@example
DTSTART:20261213T000000Z
SUMMARY:cancelled
STATUS:CANCELLED
END:VEVENT
BEGIN:VEVENT
UID:broken@example
SUMMARY:no start
END:VEVENT
BEGIN:VEVENT
UID:yearly@example
DTSTART;VALUE=DATE:20200601
RRULE:FREQ=YEARLY
SUMMARY:記念日
END:VEVENT
END:VCALENDAR
)";

} // namespace

TEST(ICalendar, RecurrencesZonesAllDayEventsAndWhatIsSkipped) {
    CDesktopZone tokyo("Asia/Tokyo");
    CRecordingBackend backend;
    std::string crlf;
    for (const char* c = kCalendar; *c != '\0'; ++c)
        crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    CImportFile file(crlf, false);
    CTextFile text;
    ASSERT_TRUE(text.Open(file.Path()));
    std::tm now{};
    now.tm_year = 2026 - 1900, now.tm_mon = 11, now.tm_mday = 9, now.tm_isdst = -1;
    // A public import: the private event stays private.
    CImportSession session(
        text, {CImportSession::Kind::Schedules, "alice", true, false, false, std::mktime(&now)});
    ASSERT_TRUE(session.Open());
    ASSERT_EQ(session.Begin(), CImportSession::Start::Ready);
    while (session.Next() != CImportSession::Step::End)
        ;
    ASSERT_TRUE(session.Close());

    std::multimap<std::string, const kvScheduleRecord*> byTitle;
    for (const kvScheduleRecord& record : backend.addedSchedules)
        byTitle.emplace(Field(record.title), &record);
    auto one = [&](const std::string& title) -> const kvScheduleRecord& {
        EXPECT_EQ(byTitle.count(title), 1u) << title;
        static const kvScheduleRecord kNone{};
        return byTitle.count(title) == 0 ? kNone : *byTitle.find(title)->second;
    };

    // Weekly, five times: the second excluded, the third moved (its
    // override came first in the file).
    std::vector<std::string> weekly;
    for (auto [at, end] = byTitle.equal_range("定例会議"); at != end; ++at) {
        weekly.push_back(When(at->second->start) + "-" + When(at->second->end));
        EXPECT_EQ(Field(at->second->place), "会議室A");
        EXPECT_EQ(Field(at->second->comment), "議題\n進捗, 課題");
        EXPECT_EQ(at->second->alarmLeadMinutes, 15);
        EXPECT_EQ(at->second->isPublic, 1);
    }
    std::sort(weekly.begin(), weekly.end());
    EXPECT_EQ(weekly, (std::vector<std::string>{"2026/12/01 10:00-2026/12/01 11:00",
                                                "2026/12/22 10:00-2026/12/22 11:00",
                                                "2026/12/29 10:00-2026/12/29 11:00"}));
    EXPECT_EQ(When(one("定例会議（時間変更）").start), "2026/12/15 14:00");

    // 19:00 in New York in summer (EDT, UTC-4) is 08:00 the next day in Tokyo.
    const kvScheduleRecord& call = one("NY call");
    EXPECT_EQ(When(call.start), "2026/07/11 08:00");
    EXPECT_EQ(When(call.end), "2026/07/11 09:00");
    EXPECT_EQ(call.isPublic, 0) << "CLASS:PRIVATE is never public";

    const kvScheduleRecord& holiday = one("休暇");
    EXPECT_EQ(holiday.allDay, 1);
    EXPECT_EQ(When(holiday.start), "2026/12/24 00:00");
    EXPECT_EQ(When(holiday.end), "2026/12/26 00:00") << "the end stays exclusive, as Outlook's";
    EXPECT_EQ(When(one("UTC").start), "2026/12/11 09:00");
    EXPECT_EQ(When(one("UTC").end), "2026/12/11 09:30");
    EXPECT_EQ(one("UTC").alarmLeadMinutes, 15) << "45 minutes before an end 30 after the start";
    EXPECT_EQ(When(one("floating").start), "2026/12/12 08:30") << "floating time is local";
    EXPECT_EQ(one("floating").end.yearsSince1900, 70) << "no end given: the entry has none";

    // A yearly event from 2020 without an end: the window is a year back and
    // two ahead of the import.
    std::vector<std::string> yearly;
    for (auto [at, end] = byTitle.equal_range("記念日"); at != end; ++at)
        yearly.push_back(When(at->second->start));
    std::sort(yearly.begin(), yearly.end());
    EXPECT_EQ(yearly, (std::vector<std::string>{"2026/06/01 00:00", "2027/06/01 00:00",
                                                "2028/06/01 00:00"}));

    const CImportSummary& summary = session.Summary();
    EXPECT_EQ(summary.form, CRecordReader::Form::ICalendar);
    EXPECT_EQ(summary.units, 9);
    EXPECT_EQ(summary.added, 11);
    EXPECT_EQ(summary.expanded, 5) << "three more weekly occurrences, two more yearly ones";
    std::vector<std::string> notes;
    for (const CImportSummary::CNote& note : summary.Notes())
        notes.push_back(std::to_string(note.line) + ": " + CImportSummary::NoteText(note));
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "54: VTODO is not imported; skipped",
                         "72: VEVENT STATUS:CANCELLED is not imported; skipped",
                         "78: VEVENT cannot be read (no DTSTART); skipped",
                         "82: a recurrence: only the occurrences from 2025/12/09-2028/12/09 "
                         "were taken"}));

    // A calendar given to the address import says what it is and stores nothing.
    CTextFile again;
    ASSERT_TRUE(again.Open(file.Path()));
    CImportSession addresses(again, {CImportSession::Kind::Addresses, "alice", false, false});
    ASSERT_TRUE(addresses.Open());
    EXPECT_EQ(addresses.Begin(), CImportSession::Start::OtherKind);
    EXPECT_EQ(addresses.Next(), CImportSession::Step::End);
    EXPECT_TRUE(backend.addedAddresses.empty());
}
