#include <climits>
#include <gtest/gtest.h>

#include "ImportFile.h"
#include "OutlookScheduleReader.h"
#include "RecordingBackend.h"
#include "TextFile.h"

namespace {

class ScheduleReader : public ::testing::Test {
protected:
    COutlookTabReader::Start Import(const std::string& utf8, bool isPublic = false,
                                    bool duplicateCheck = false) {
        m_pFile = std::make_unique<CImportFile>(utf8);
        EXPECT_TRUE(m_text.Open(m_pFile->Path()));
        COutlookScheduleReader reader(m_text, isPublic);
        COutlookTabReader::Start start = reader.Begin();
        CRecordStore store("alice", isPublic, duplicateCheck);
        if (start == COutlookTabReader::Start::Ready)
            CImportFile::StoreAll(reader, store);
        return start;
    }

    const std::vector<kvScheduleRecord>& Added() { return m_backend.addedSchedules; }

    // One record from a header and a data line.
    kvScheduleRecord One(const std::string& header, const std::string& line) {
        m_backend.addedSchedules.clear();
        Import(header + "\r\n" + line + "\r\n");
        EXPECT_EQ(Added().size(), 1u);
        return Added().empty() ? kvScheduleRecord{} : Added()[0];
    }

    CRecordingBackend m_backend;
    CTextFile m_text;
    std::unique_ptr<CImportFile> m_pFile;
};

std::string Title(const kvScheduleRecord& record) {
    return std::string(record.title, strnlen(record.title, sizeof(record.title)));
}

} // namespace

TEST_F(ScheduleReader, ColumnsInAnyOrderAndTheOwner) {
    kvScheduleRecord record = One("終了時刻\t件名\t開始日\t開始時刻\t終了日\t場所",
                                  "17:30\t会議\t2001/1/5\t9:05:00\t2001/2/6\t本社");
    EXPECT_EQ(Title(record), CTestRecords::Sjis("会議"));
    EXPECT_EQ(record.start.yearsSince1900, 101);
    EXPECT_EQ(record.start.month, 0);
    EXPECT_EQ(record.start.dayOfMonth, 5);
    EXPECT_EQ(record.start.hours, 9);
    EXPECT_EQ(record.start.minutes, 5);
    EXPECT_EQ(record.start.seconds, 0) << "seconds are ignored";
    EXPECT_EQ(record.end.month, 1);
    EXPECT_EQ(record.end.dayOfMonth, 6);
    EXPECT_EQ(record.end.hours, 17);
    EXPECT_EQ(record.end.minutes, 30);
    EXPECT_STREQ(record.owner, "alice");
    EXPECT_EQ(record.place[0], '\0') << "the place is never filled";
    EXPECT_EQ(record.isPublic, 0);
    EXPECT_EQ(One("件名", "x").isPublic, 0);
    m_backend.addedSchedules.clear();
    Import("件名\r\nx\r\n", true);
    EXPECT_EQ(Added()[0].isPublic, 1);
    EXPECT_STREQ(Added()[0].owner, "alice") << "the owner is written either way";
}

TEST_F(ScheduleReader, DatesAndTimesFollowStrtokAndAtoi) {
    kvTimeBlock time{};
    COutlookScheduleReader::ParseDate("2001/01/05", time);
    EXPECT_EQ(time.yearsSince1900, 101);
    EXPECT_EQ(time.month, 0);
    EXPECT_EQ(time.dayOfMonth, 5);
    time = kvTimeBlock{};
    COutlookScheduleReader::ParseDate("2001/1", time);
    EXPECT_EQ(time.month, 0);
    EXPECT_EQ(time.dayOfMonth, 0) << "no third part leaves the day";
    time = kvTimeBlock{};
    COutlookScheduleReader::ParseDate("//2001//3/ 7x", time);
    EXPECT_EQ(time.yearsSince1900, 101) << "runs of separators are one";
    EXPECT_EQ(time.month, 2);
    EXPECT_EQ(time.dayOfMonth, 7) << "atoi skips blanks and stops at a letter";
    time = kvTimeBlock{};
    COutlookScheduleReader::ParseDate("abc", time);
    EXPECT_EQ(time.yearsSince1900, -1900) << "not a number gives 0";
    COutlookScheduleReader::ParseDate("99999999999999/-99999999999", time);
    EXPECT_EQ(time.yearsSince1900, INT_MAX - 1900) << "huge numbers are held at the limit";
    EXPECT_EQ(time.month, INT_MIN);

    time = kvTimeBlock{};
    COutlookScheduleReader::ParseTime("9", time);
    EXPECT_EQ(time.hours, 9);
    EXPECT_EQ(time.minutes, 0);
    COutlookScheduleReader::ParseTime("", time);
    EXPECT_EQ(time.hours, 9) << "no part changes nothing";
}

TEST_F(ScheduleReader, AllDayAndAlarmSwitches) {
    const std::string header = "件名\t開始時刻\t終日ｲﾍﾞﾝﾄ\tｱﾗｰﾑ ｵﾝ/ｵﾌ\tｱﾗｰﾑ日付\tｱﾗｰﾑ時刻";
    for (const char* yes : {"TRUE", "true", "True"})
        EXPECT_EQ(One(header, std::string("x\t10:00\t") + yes + "\tFALSE").allDay, 1) << yes;
    for (const char* no : {"FALSE", "1", "オン", "TRUE "})
        EXPECT_EQ(One(header, std::string("x\t10:00\t") + no + "\tFALSE").allDay, 0) << no;
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t2001/1/5\t9:45").alarmLeadMinutes, 15);
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t2001/1/5\t10:00").alarmLeadMinutes, 60);
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t2001/1/5\t10:30").alarmLeadMinutes, 60);
    EXPECT_EQ(One(header, "x\t10:00\t\tFALSE\t2001/1/5\t9:45").alarmLeadMinutes, 0);
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t2001/1/4\t9:45").alarmLeadMinutes, 15)
        << "the alarm date is not consulted";
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t\t").alarmLeadMinutes, 600)
        << "no alarm time: 0:00, as in the cleared record";
    EXPECT_EQ(One(header, "x\t10:00\t\tTRUE\t\t9").alarmLeadMinutes, 60)
        << "alarm 9:00 without minutes";
}

TEST_F(ScheduleReader, DuplicateCheckAsksWithTheStartAndTitle) {
    m_backend.SetResult("kvFindDuplicateSchedule", 1);
    Import("件名\t開始日\t終日ｲﾍﾞﾝﾄ\r\n休日\t2001/1/6\tTRUE\r\n", false, true);
    EXPECT_EQ(m_backend.CallsTo("kvFindDuplicateSchedule"),
              std::vector<std::string>{"kvFindDuplicateSchedule(null, 0, 2001, 1, 6, 0, 0, 1, \"" +
                                       CTestRecords::Sjis("休日") + "\")"})
        << "an all-day entry without a start time asks with 0:00";
    EXPECT_EQ(m_backend.updatedSchedules.size(), 1u);
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(m_backend.CallsTo("kvUpdateSchedule").front(), "kvUpdateSchedule(record, 0)");

    m_backend.ClearCalls();
    Import("件名\r\nx\r\n", false, false);
    EXPECT_EQ(m_backend.Count("kvFindDuplicateSchedule"), 0) << "not asked when off";
    EXPECT_EQ(m_backend.CallsTo("kvAddSchedule"),
              std::vector<std::string>{"kvAddSchedule(record, 0)"});
}

TEST_F(ScheduleReader, TitlesAreCutAndTextsStoredUnchanged) {
    std::string longTitle(250, 't');
    EXPECT_EQ(Title(One("件名", longTitle)), std::string(199, 't'));
    m_backend.addedSchedules.clear();
    Import("開始日\t件名\r\n2001/1/5\t\"one\r\ntwo\"\r\n");
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(Title(Added()[0]), "one\ntwo") << "the line break stays, nothing folded";
    m_backend.addedSchedules.clear();
    Import("件名\t開始日\r\n" + std::string("\"") + std::string(300, 'v') + "\r\n" +
           std::string(300, 'w') + "\"\t2001/1/5\r\n");
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(Title(Added()[0]), std::string(199, 'v')) << "cut at the title's size";
    EXPECT_EQ(Added()[0].start.dayOfMonth, 5);
}

TEST_F(ScheduleReader, SharedTextRulesHoldHereToo) {
    EXPECT_EQ(Import("foo\r\n1\r\n"), COutlookTabReader::Start::NoKnownColumns);
    EXPECT_TRUE(Added().empty());
    Import("件名\t\t開始日\r\nx\t\t2001/1/5\r\n\r\ny\t\t2002/2/6\r\n");
    ASSERT_EQ(Added().size(), 2u) << "the empty line stores nothing";
    EXPECT_EQ(Added()[0].start.dayOfMonth, 5) << "an empty header name shifts nothing";
    EXPECT_EQ(Added()[1].start.yearsSince1900, 102);
    m_backend.addedSchedules.clear();
    Import("開始日\t件名\r\n2001/1/5\tlast column\r\n");
    EXPECT_EQ(Title(Added()[0]), "last column") << "the header's last name is recognised";
}
