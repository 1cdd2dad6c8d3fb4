#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "Cp932.h"
#include "ImportFile.h"
#include "ImportSession.h"
#include "RecordingBackend.h"
#include "TextFile.h"

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
BEGIN:VTIMEZONE
TZID:Hostile
BEGIN:STANDARD
DTSTART:19700101T000000
RRULE:FREQ=SECONDLY
TZOFFSETFROM:+0000
TZOFFSETTO:+0100
END:STANDARD
END:VTIMEZONE
BEGIN:VEVENT
UID:finished@example
DTSTART;TZID=Asia/Tokyo:20200106T100000
RRULE:FREQ=WEEKLY;COUNT=4
EXDATE;TZID=Asia/Tokyo:20200106T100000
SUMMARY:finished
END:VEVENT
END:VCALENDAR
)";

// The calendar above imported once per test, as public entries (the private
// event stays private), on 9 December 2026.
class ICalendar : public ::testing::Test {
protected:
    void SetUp() override {
        std::string crlf;
        for (const char* c = kCalendar; *c != '\0'; ++c)
            crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
        m_pFile = std::make_unique<CImportFile>(crlf, false);
        ASSERT_TRUE(m_text.Open(m_pFile->Path()));
        std::tm now{};
        now.tm_year = 2026 - 1900, now.tm_mon = 11, now.tm_mday = 9, now.tm_isdst = -1;
        m_pSession = std::make_unique<CImportSession>(
            m_text, CImportSession::COptions{CImportSession::Kind::Schedules, "alice", true, false,
                                             false, std::mktime(&now)});
        ASSERT_TRUE(m_pSession->Open());
        ASSERT_EQ(m_pSession->Begin(), CImportSession::Start::Ready);
        while (m_pSession->Next() != CImportSession::Step::End)
            ;
        ASSERT_TRUE(m_pSession->Close());
        for (const kvScheduleRecord& record : m_backend.addedSchedules)
            m_byTitle.emplace(Field(record.title), &record);
    }

    // The one entry of title.
    const kvScheduleRecord& One(const std::string& title) {
        EXPECT_EQ(m_byTitle.count(title), 1u) << title;
        static const kvScheduleRecord kNone{};
        return m_byTitle.count(title) == 0 ? kNone : *m_byTitle.find(title)->second;
    }
    // The starts (and ends) of every entry of title, in order.
    std::vector<std::string> Times(const std::string& title, bool withEnd) {
        std::vector<std::string> times;
        for (auto [at, end] = m_byTitle.equal_range(title); at != end; ++at)
            times.push_back(When(at->second->start) +
                            (withEnd ? "-" + When(at->second->end) : std::string()));
        std::sort(times.begin(), times.end());
        return times;
    }

    CDesktopZone m_tokyo{"Asia/Tokyo"};
    CRecordingBackend m_backend;
    std::unique_ptr<CImportFile> m_pFile;
    CTextFile m_text;
    std::unique_ptr<CImportSession> m_pSession;
    std::multimap<std::string, const kvScheduleRecord*> m_byTitle;
};

} // namespace

TEST_F(ICalendar, WeeklyRecurrenceWithAnExceptionAndAMovedInstance) {
    // Weekly, five times: the second excluded, the third moved (its
    // override came first in the file).
    for (auto [at, end] = m_byTitle.equal_range("定例会議"); at != end; ++at) {
        EXPECT_EQ(Field(at->second->place), "会議室A");
        EXPECT_EQ(Field(at->second->comment), "議題\n進捗, 課題");
        EXPECT_EQ(at->second->alarmLeadMinutes, 15);
        EXPECT_EQ(at->second->isPublic, 1);
    }
    EXPECT_EQ(Times("定例会議", true),
              (std::vector<std::string>{"2026/12/01 10:00-2026/12/01 11:00",
                                        "2026/12/22 10:00-2026/12/22 11:00",
                                        "2026/12/29 10:00-2026/12/29 11:00"}));
    EXPECT_EQ(When(One("定例会議（時間変更）").start), "2026/12/15 14:00");
}

TEST_F(ICalendar, ZonesUtcAndFloatingTimesBecomeTheDesktopsTime) {
    // 19:00 in New York in summer (EDT, UTC-4) is 08:00 the next day in Tokyo.
    const kvScheduleRecord& call = One("NY call");
    EXPECT_EQ(When(call.start), "2026/07/11 08:00");
    EXPECT_EQ(When(call.end), "2026/07/11 09:00");
    EXPECT_EQ(call.isPublic, 0) << "CLASS:PRIVATE is never public";
    EXPECT_EQ(When(One("UTC").start), "2026/12/11 09:00");
    EXPECT_EQ(When(One("UTC").end), "2026/12/11 09:30");
    EXPECT_EQ(One("UTC").alarmLeadMinutes, 15) << "45 minutes before an end 30 after the start";
    EXPECT_EQ(When(One("floating").start), "2026/12/12 08:30") << "floating time is local";
    EXPECT_EQ(One("floating").end.yearsSince1900, 70) << "no end given: the entry has none";
}

TEST_F(ICalendar, AllDayEventsKeepTheirExclusiveEnd) {
    const kvScheduleRecord& holiday = One("休暇");
    EXPECT_EQ(holiday.allDay, 1);
    EXPECT_EQ(When(holiday.start), "2026/12/24 00:00");
    EXPECT_EQ(When(holiday.end), "2026/12/26 00:00") << "the end stays exclusive, as Outlook's";
}

TEST_F(ICalendar, RecurrencesAreTakenWithinAWindowAroundTheImport) {
    // A yearly event from 2020 without an end: the window is a year back and
    // two ahead of the import.
    EXPECT_EQ(
        Times("記念日", false),
        (std::vector<std::string>{"2026/06/01 00:00", "2027/06/01 00:00", "2028/06/01 00:00"}));
    // A finished series is taken whole wherever it lies, even when its first
    // date is excluded.
    EXPECT_EQ(
        Times("finished", false),
        (std::vector<std::string>{"2020/01/13 10:00", "2020/01/20 10:00", "2020/01/27 10:00"}));
    EXPECT_EQ(m_pSession->Summary().expanded, 7)
        << "three more weekly occurrences, two more yearly ones, two more finished ones";
}

TEST_F(ICalendar, SummaryCountsAndNamesWhatIsSkipped) {
    const CImportSummary& summary = m_pSession->Summary();
    EXPECT_EQ(summary.form, CRecordReader::Form::ICalendar);
    EXPECT_EQ(summary.units, 10);
    EXPECT_EQ(summary.added, 14);
    std::vector<std::string> notes;
    for (const CImportSummary::CNote& note : summary.Notes())
        notes.push_back(std::to_string(note.line) + ": " + CImportSummary::NoteText(note));
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "54: VTODO is not imported; skipped",
                         "72: VEVENT STATUS:CANCELLED is not imported; skipped",
                         "78: VEVENT cannot be read (no DTSTART); skipped",
                         "82: a recurrence: only the occurrences from 2025/12/09-2028/12/09 "
                         "were taken",
                         // A zone that changes every second would take libical hours to
                         // expand: no zone's changes recur but yearly.
                         "88: VTIMEZONE cannot be read (Hostile: changes that recur other than "
                         "yearly; its times are read as the desktop's); skipped"}));
}

TEST_F(ICalendar, ACalendarGivenToTheAddressImportStoresNothing) {
    CTextFile again;
    ASSERT_TRUE(again.Open(m_pFile->Path()));
    CImportSession addresses(again, {CImportSession::Kind::Addresses, "alice", false, false});
    ASSERT_TRUE(addresses.Open());
    EXPECT_EQ(addresses.Begin(), CImportSession::Start::OtherKind);
    EXPECT_EQ(addresses.Next(), CImportSession::Step::End);
    EXPECT_TRUE(m_backend.addedAddresses.empty());
}

namespace {

// Imports calendar (CRLF lines) on a desktop in Tokyo; the summary's notes.
std::vector<std::string> ImportCalendar(const std::string& calendar, CRecordingBackend&,
                                        CRecordReader::Form form = CRecordReader::Form::ICalendar) {
    CDesktopZone tokyo("Asia/Tokyo");
    CImportFile file(calendar, false);
    CTextFile text;
    EXPECT_TRUE(text.Open(file.Path()));
    CImportSession session(text, {CImportSession::Kind::Schedules, "alice", false, false});
    EXPECT_TRUE(session.Open());
    EXPECT_EQ(session.Begin(), CImportSession::Start::Ready);
    while (session.Next() != CImportSession::Step::End)
        ;
    EXPECT_TRUE(session.Close());
    EXPECT_EQ(session.Summary().form, form);
    std::vector<std::string> notes;
    for (const CImportSummary::CNote& note : session.Summary().Notes())
        notes.push_back(std::to_string(note.line) + ": " + CImportSummary::NoteText(note));
    return notes;
}

} // namespace

TEST(ICalendarAlarms, ASignInsideTheDurationIsReadAsInFront) {
    // A rail operator's tickets: the reminder two hours before, not lost.
    CRecordingBackend backend;
    const std::vector<std::string> notes = ImportCalendar(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:t\r\n"
        "DTSTART:20261201T100000Z\r\nSUMMARY:train\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
        "TRIGGER;RELATED=START:PT-2H\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
        backend);
    ASSERT_EQ(backend.addedSchedules.size(), 1u);
    EXPECT_EQ(backend.addedSchedules[0].alarmLeadMinutes, 120);
    EXPECT_EQ(notes,
              (std::vector<std::string>{
                  "9: TRIGGER \"PT-2H\": a sign inside the duration, read as one in front"}));
}

TEST(VCalendar, PhonesSchedulesAreRead) {
    // A phone's .vcs: Shift_JIS quoted-printable texts, the basic recurrence
    // grammar, an alarm at a time, a day as 0:00 to 23:59, a rule no one can read.
    auto qp = [](const std::string& utf8) {
        std::string text;
        for (unsigned char c : CTestRecords::Sjis(utf8)) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "=%02X", c);
            text += hex;
        }
        return text;
    };
    CRecordingBackend backend;
    const std::vector<std::string> notes = ImportCalendar(
        "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nTZ:+09:00\r\nBEGIN:VEVENT\r\nDCREATED:"
        "20261201T100000\r\n"
        "SUMMARY;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
            qp("定例会議") +
            "\r\nDESCRIPTION;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" + qp("議題\r\n予算") +
            "\r\nRRULE:W1 TU TH #4\r\nAALARM:20261208T084500;;;\r\n"
            "DTSTART:20261208T090000\r\nDTEND:20261208T100000\r\nX-DCM-ALARM-ON:1\r\n"
            "END:VEVENT\r\nBEGIN:VEVENT\r\nSUMMARY:holiday\r\nDTSTART:20261224T000000\r\n"
            "DTEND:20261225T235900\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nSUMMARY:odd\r\n"
            "DTSTART:20261211T090000\r\nRRULE:Q9 XX\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\n"
            "SUMMARY;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=F0=9F=98=80\r\n"
            "DTSTART:20261212T090000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
        backend, CRecordReader::Form::VCalendar);
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "19: RRULE Q9 XX cannot be read; only its first occurrence was taken",
                         "24: 1 characters replaced with " + CTestRecords::Sjis("〓")}))
        << "a text decoded from another set counts what code page 932 lacks";
    std::vector<std::string> meetings;
    for (const kvScheduleRecord& record : backend.addedSchedules)
        if (Field(record.title) == "定例会議") {
            meetings.push_back(When(record.start) + "-" + When(record.end));
            EXPECT_EQ(Field(record.comment), "議題\n予算");
            EXPECT_EQ(record.alarmLeadMinutes, 15);
        }
    EXPECT_EQ(meetings, (std::vector<std::string>{"2026/12/08 09:00-2026/12/08 10:00",
                                                  "2026/12/10 09:00-2026/12/10 10:00",
                                                  "2026/12/15 09:00-2026/12/15 10:00",
                                                  "2026/12/17 09:00-2026/12/17 10:00"}));
    ASSERT_EQ(backend.addedSchedules.size(), 7u);
    const kvScheduleRecord& holiday = backend.addedSchedules[4];
    EXPECT_EQ(Field(holiday.title), "holiday");
    EXPECT_EQ(holiday.allDay, 1);
    EXPECT_EQ(When(holiday.end), "2026/12/26 00:00") << "two days, the end exclusive";
    EXPECT_EQ(When(backend.addedSchedules[5].start), "2026/12/11 09:00");
    EXPECT_TRUE(std::any_of(
        backend.originalsSet.begin(), backend.originalsSet.end(),
        [](const std::string& kept) { return kept.find("X-VCAL-RRULE:Q9 XX") != kept.npos; }))
        << "the rule kept beside the entry as it came";
    ASSERT_FALSE(backend.importRecords.empty());
    EXPECT_NE(backend.importRecords[0].find("|\"vCalendar 1.0\"|"), std::string::npos)
        << "the record names the form its VERSION line told: " << backend.importRecords[0];
}

TEST(HostileCalendar, RulesLibicalWouldSearchForeverAreNotFollowed) {
    // Each rule below kept one call of libical's going for minutes or more
    // (a 164-byte file hung the import): never followed, the event keeps its
    // first occurrence, and what follows in the file is imported.
    const char* const rules[] = {"FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30",
                                 "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30;COUNT=10",
                                 "FREQ=MINUTELY;BYYEARDAY=366;BYMONTH=2",
                                 "FREQ=MONTHLY;BYSETPOS=6;BYDAY=MO",
                                 "FREQ=MONTHLY;BYMONTHDAY=31;BYMONTH=4;COUNT=2",
                                 "FREQ=MINUTELY;INTERVAL=2;BYMINUTE=1"};
    std::string calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (const char* rule : rules)
        calendar += std::string("BEGIN:VEVENT\r\nUID:") + rule +
                    "\r\nDTSTART:20261201T000000Z\r\nRRULE:" + rule +
                    "\r\nSUMMARY:hostile\r\nEND:VEVENT\r\n";
    calendar += "BEGIN:VEVENT\r\nUID:fine\r\nDTSTART:20261201T000000Z\r\nRRULE:FREQ=WEEKLY;COUNT=3"
                "\r\nSUMMARY:fine\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    CRecordingBackend backend;
    const std::vector<std::string> notes = ImportCalendar(calendar, backend);
    std::map<std::string, int> stored;
    for (const kvScheduleRecord& record : backend.addedSchedules)
        ++stored[Field(record.title)];
    EXPECT_EQ(stored, (std::map<std::string, int>{{"hostile", 6}, {"fine", 3}}));
    const std::string never = "RRULE never occurs; only its first occurrence was taken";
    const std::string unbounded = "RRULE by the hour, minute or second with limits; only its "
                                  "first occurrence was taken";
    EXPECT_EQ(notes,
              (std::vector<std::string>{"3: " + never, "9: " + never, "15: " + never,
                                        "21: " + never, "27: " + never, "33: " + unbounded}));
}

TEST(ICalendarZones, ADefinitionThatCannotBeUsedGivesWayToTheSystemsZoneOrSaysSo) {
    // Observances without DTSTART (an old calendar program's) made every
    // time in the zone UTC, silently: 1 to 14 hours off.
    const std::string calendar =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:/mozilla.org/20050126_1/America/New_York\r\n"
        "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:0500\r\nTZOFFSETTO:0400\r\nEND:DAYLIGHT\r\n"
        "END:VTIMEZONE\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Office\r\n"
        "BEGIN:STANDARD\r\nTZOFFSETFROM:0100\r\nTZOFFSETTO:0100\r\nEND:STANDARD\r\n"
        "END:VTIMEZONE\r\n"
        "BEGIN:VEVENT\r\nUID:ny\r\nDTSTART;TZID=/mozilla.org/20050126_1/America/New_York:"
        "20260710T190000\r\nSUMMARY:ny\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:office\r\nDTSTART;TZID=Office:20261201T100000\r\n"
        "SUMMARY:office\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    CRecordingBackend backend;
    const std::vector<std::string> notes = ImportCalendar(calendar, backend);
    ASSERT_EQ(backend.addedSchedules.size(), 2u);
    EXPECT_EQ(When(backend.addedSchedules[0].start), "2026/07/11 08:00") << "New York's summer";
    EXPECT_EQ(When(backend.addedSchedules[1].start), "2026/12/01 10:00") << "floating";
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "3: VTIMEZONE cannot be read (/mozilla.org/20050126_1/America/New_York: "
                         "an observance without DTSTART; the system's zone America/New_York is "
                         "used); skipped",
                         "10: VTIMEZONE cannot be read (Office: an observance without DTSTART; its "
                         "times are read as the desktop's); skipped",
                         "22: TZID=Office names no zone of the file or the system; its times were "
                         "read as the desktop's"}));
}
