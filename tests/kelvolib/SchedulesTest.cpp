#include <cstring>
#include <memory>

#include "LibraryTest.h"

using Schedules = LibraryTest;
KELVO_ON_BOTH_ENGINES(Schedules);

namespace {

std::vector<std::string> NextTitles() {
    std::vector<std::string> titles;
    auto record = std::make_unique<kvScheduleRecord>();
    while (kvNextSchedule(record.get(), 1))
        titles.push_back(FIELD(*record, title));
    return titles;
}

void Add(const kvScheduleRecord& record) {
    ASSERT_TRUE(kvAddSchedule(&record, 0));
}

} // namespace

TEST_P(Schedules, DeliveredByStartTimeForTheOwnerOnly) {
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    Add(CTestRecords::Schedule("alice", "late", 2001, 1, 5, 15, 0));
    Add(CTestRecords::Schedule("alice", "early", 2001, 1, 5, 9, 5));
    Add(CTestRecords::Schedule("alice", "last year", 2000, 12, 31, 23, 59));
    Add(CTestRecords::Schedule("bob", "not alice's", 2001, 1, 1, 0, 0));
    ASSERT_TRUE(kvCloseSchedules());

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    EXPECT_EQ(NextTitles(), (std::vector<std::string>{"last year", "early", "late"}));
    ASSERT_TRUE(kvOpenSchedules("alice", nullptr)) << "opening again starts over";
    EXPECT_EQ(NextTitles().size(), 3u);
    kvCloseSchedules();
}

TEST_P(Schedules, EveryFieldRoundTrips) {
    kvScheduleRecord record = CTestRecords::Schedule("alice", "meeting", 2001, 5, 6, 9, 5, 1);
    CTestRecords::Put(record.place, sizeof(record.place), CTestRecords::Sjis("第1会議室"));
    CTestRecords::Put(record.comment, sizeof(record.comment), "line 1\nline 2\r\n");
    record.end = kvTimeBlock{};
    record.end.yearsSince1900 = 70; // no end
    record.isPublic = 1;
    record.alarmLeadMinutes = 15;
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    Add(record);
    kvCloseSchedules();

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    auto back = std::make_unique<kvScheduleRecord>();
    std::memset(back.get(), 0xCD, sizeof(*back));
    ASSERT_TRUE(kvNextSchedule(back.get(), 1));
    kvCloseSchedules();
    EXPECT_EQ(0, std::memcmp(&record, back.get(), sizeof(record)));
}

TEST_P(Schedules, DuplicateFoundThenUpdatedInPlace) {
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    Add(CTestRecords::Schedule("alice", "standup", 2001, 1, 5, 9, 0));
    Add(CTestRecords::Schedule("alice", "holiday", 2001, 1, 6, 0, 0, 1));

    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 5, 9, 1, 0, "standup"));
    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 5, 9, 0, 1, "standup"))
        << "the all-day flag must match";
    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 5, 9, 0, 0, "Standup"));
    kvScheduleRecord moved = CTestRecords::Schedule("alice", "standup", 2001, 1, 5, 9, 0);
    EXPECT_FALSE(kvUpdateSchedule(&moved, 0)) << "nothing found, nothing to replace";

    ASSERT_TRUE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 5, 9, 0, 0, "standup"));
    CTestRecords::Put(moved.place, sizeof(moved.place), "room 2");
    ASSERT_TRUE(kvUpdateSchedule(&moved, 0));
    EXPECT_TRUE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 6, 0, 0, 1, "holiday"));
    kvCloseSchedules();

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    auto record = std::make_unique<kvScheduleRecord>();
    ASSERT_TRUE(kvNextSchedule(record.get(), 1));
    EXPECT_EQ(FIELD(*record, place), "room 2");
    EXPECT_EQ(NextTitles(), std::vector<std::string>{"holiday"}) << "replaced, not added";
    kvCloseSchedules();

    ASSERT_TRUE(kvOpenSchedules("bob", ""));
    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 5, 9, 0, 0, "standup"))
        << "only the open owner's entries are searched";
    kvCloseSchedules();
}

TEST_P(Schedules, WritesAreBatchedUntilCloseOrOneSecond) {
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    Add(CTestRecords::Schedule("alice", "one", 2001, 1, 5, 9, 0));
    Add(CTestRecords::Schedule("alice", "two", 2001, 1, 5, 10, 0));
    EXPECT_EQ(m_database.Count("schedules"), 0) << "still in the open batch";

    kvAdminAdvanceClock(1100); // as if a second had passed
    Add(CTestRecords::Schedule("alice", "three", 2001, 1, 5, 11, 0));
    EXPECT_EQ(m_database.Count("schedules"), 2) << "a write after a second commits";

    ASSERT_TRUE(kvCloseSchedules());
    EXPECT_EQ(m_database.Count("schedules"), 3);
}

TEST_P(Schedules, ClosedListAndNullArgumentsReturnZero) {
    kvScheduleRecord record = CTestRecords::Schedule("alice", "x", 2001, 1, 1, 0, 0);
    EXPECT_FALSE(kvAddSchedule(&record, 0));
    EXPECT_FALSE(kvNextSchedule(&record, 1));
    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 1, 0, 0, 0, "x"));
    EXPECT_FALSE(kvCloseSchedules());
    EXPECT_FALSE(kvOpenSchedules(nullptr, ""));
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    EXPECT_FALSE(kvAddSchedule(nullptr, 0));
    EXPECT_FALSE(kvNextSchedule(nullptr, 1));
    EXPECT_FALSE(kvFindDuplicateSchedule(nullptr, 0, 2001, 1, 1, 0, 0, 0, nullptr));
    kvCloseSchedules();
}

TEST_P(Schedules, ReusedBufferHoldsNoTailOfThePreviousEntry) {
    kvScheduleRecord longer =
        CTestRecords::Schedule("alice", "a long title here", 2001, 1, 5, 9, 0);
    CTestRecords::Put(longer.comment, sizeof(longer.comment), std::string(5000, 'c'));
    kvScheduleRecord shorter = CTestRecords::Schedule("alice", "short", 2001, 1, 6, 9, 0);
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    Add(longer);
    Add(shorter);
    kvCloseSchedules();

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    auto buffer = std::make_unique<kvScheduleRecord>();
    std::memset(buffer.get(), 0xCD, sizeof(*buffer));
    ASSERT_TRUE(kvNextSchedule(buffer.get(), 1));
    ASSERT_TRUE(kvNextSchedule(buffer.get(), 1));
    kvCloseSchedules();
    // Byte for byte what a cleared record with the second entry would be.
    EXPECT_EQ(0, std::memcmp(&shorter, buffer.get(), sizeof(shorter)));
}

TEST_P(Schedules, IdsStayUniqueAcrossBatchesAndSessions) {
    for (int session = 0; session < 3; ++session) {
        ASSERT_TRUE(kvOpenSchedules("alice", ""));
        for (int i = 0; i < 4; ++i)
            Add(CTestRecords::Schedule("alice", "s" + std::to_string(session), 2001, 1, 5, 9, 0));
        ASSERT_TRUE(kvCloseSchedules());
        kvShutdown();
    }
    EXPECT_EQ(m_database.Query("SELECT count(*), count(DISTINCT id) FROM schedules"),
              std::vector<std::string>{"12\t12"})
        << "same owner, same start: the ID tells them apart";
}
