// What a source said that a record cannot hold, kept beside its entry: read
// back with the record, replaced with it, carried by a series imported again,
// and upgraded into from a database that kept none.
#include <memory>
#include <string>
#include <vector>

#include "LibraryTest.h"

using Originals = LibraryTest;
KELVO_ON_BOTH_ENGINES(Originals);

namespace {

std::string LastOriginal(int kind) {
    const int needed = kvLastOriginal(kind, nullptr, 0);
    if (needed == 0)
        return "(none)";
    std::string text(static_cast<size_t>(needed), '\0');
    EXPECT_EQ(kvLastOriginal(kind, text.data(), needed), needed);
    text.pop_back();
    return text;
}

// Each address of alice's book: its last name and its original.
std::vector<std::string> Book() {
    std::vector<std::string> entries;
    auto record = std::make_unique<kvAddressRecord>();
    EXPECT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    while (kvNextAddress(record.get(), 1))
        entries.push_back(FIELD(*record, lastName) + " " + LastOriginal(KV_KIND_ADDRESS));
    kvCloseAddressBook();
    return entries;
}

std::vector<std::string> Calendar() {
    std::vector<std::string> entries;
    auto record = std::make_unique<kvScheduleRecord>();
    EXPECT_TRUE(kvOpenSchedules("alice", ""));
    while (kvNextSchedule(record.get(), 1))
        entries.push_back(FIELD(*record, title) + " " + LastOriginal(KV_KIND_SCHEDULE));
    kvCloseSchedules();
    return entries;
}

const std::string kGerman = "X-KELVO-FIELD;NAME=last_name:M\xC3\xBCller\r\nBDAY:19700101\r\n";

} // namespace

TEST_P(Originals, KeptBesideTheirEntriesAndReplacedWithThem) {
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_ADDRESS, kGerman.c_str(), nullptr));
    kvAddressRecord mueller = CTestRecords::Address("alice", "M?ller", "Hans", "");
    ASSERT_TRUE(kvAddAddress(&mueller));
    kvAddressRecord plain = CTestRecords::Address("alice", "Plain", "", "");
    ASSERT_TRUE(kvAddAddress(&plain)) << "an original goes with one write only";
    EXPECT_FALSE(kvSetNextOriginal(KV_KIND_ADDRESS, "x", "a series")) << "no series of addresses";
    const std::string huge(KV_ORIGINAL_MAX + 1, 'x');
    EXPECT_FALSE(kvSetNextOriginal(KV_KIND_ADDRESS, huge.c_str(), nullptr));
    EXPECT_NE(Reason().find("longer than"), std::string::npos) << Reason();
    ASSERT_TRUE(kvEndAddressUpdate());
    kvCloseAddressBook();
    EXPECT_EQ(Book(), (std::vector<std::string>{"M?ller " + kGerman, "Plain (none)"}));

    // A buffer too small takes nothing and learns the size.
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    auto record = std::make_unique<kvAddressRecord>();
    ASSERT_TRUE(kvNextAddress(record.get(), 1));
    char small[4] = "abc";
    EXPECT_EQ(kvLastOriginal(KV_KIND_ADDRESS, small, sizeof(small)),
              static_cast<int>(kGerman.size()) + 1);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(kvLastOriginal(KV_KIND_SCHEDULE, nullptr, 0), 0) << "no schedule was delivered";

    // A duplicate that replaces an entry replaces its original too: with
    // another one, or with none.
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "M?ller", "Hans", ""));
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_ADDRESS, "NICKNAME:Hansi\r\n", nullptr));
    ASSERT_TRUE(kvUpdateAddress(&mueller));
    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "Plain", "", ""));
    ASSERT_TRUE(kvUpdateAddress(&plain));
    ASSERT_TRUE(kvEndAddressUpdate());
    kvCloseAddressBook();
    EXPECT_EQ(Book(), (std::vector<std::string>{"M?ller NICKNAME:Hansi\r\n", "Plain (none)"}));

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "UID:one@example\r\n", nullptr));
    kvScheduleRecord meeting = CTestRecords::Schedule("alice", "meeting", 2026, 1, 5, 9, 0);
    ASSERT_TRUE(kvAddSchedule(&meeting, 0));
    kvScheduleRecord lunch = CTestRecords::Schedule("alice", "lunch", 2026, 1, 5, 12, 0);
    ASSERT_TRUE(kvAddSchedule(&lunch, 0));
    ASSERT_TRUE(kvCloseSchedules());
    EXPECT_EQ(Calendar(),
              (std::vector<std::string>{"meeting UID:one@example\r\n", "lunch (none)"}));

    // A copy of the groupware carries them.
    const std::string copy = m_database.Folder() + "/copy.db";
    ASSERT_TRUE(kvAdminCopyTo(copy.c_str(), nullptr, 0)) << Reason();
    UseDatabase(copy);
    EXPECT_EQ(Book(), (std::vector<std::string>{"M?ller NICKNAME:Hansi\r\n", "Plain (none)"}));
    EXPECT_EQ(Calendar(),
              (std::vector<std::string>{"meeting UID:one@example\r\n", "lunch (none)"}));
    UseDatabase(m_database.Path());
}

// A recurring series imported again replaces its occurrences, looked up or
// not; other series and entries of no series stay.
TEST_P(Originals, ASeriesWrittenAgainReplacesItsOccurrences) {
    auto write = [](const char* title, int day, const char* series, bool lookUp) {
        kvScheduleRecord record = CTestRecords::Schedule("alice", title, 2026, 3, day, 9, 0);
        ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "", series));
        if (lookUp && kvFindDuplicateSchedule(nullptr, 0, 2026, 3, day, 9, 0, 0, title))
            ASSERT_TRUE(kvUpdateSchedule(&record, 0));
        else
            ASSERT_TRUE(kvAddSchedule(&record, 0));
    };
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    for (int day : {2, 9, 16})
        write("weekly", day, "weekly@example", false);
    write("other series", 3, "other@example", false);
    write("loose", 4, nullptr, false);
    ASSERT_TRUE(kvCloseSchedules());
    for (bool lookUp : {false, true}) {
        // The series now ends earlier and one occurrence moved.
        ASSERT_TRUE(kvOpenSchedules("alice", ""));
        write("weekly", 2, "weekly@example", lookUp);
        write("weekly moved", 10, "weekly@example", lookUp);
        ASSERT_TRUE(kvCloseSchedules());
        std::vector<std::string> titles;
        for (const std::string& entry : Calendar())
            titles.push_back(entry.substr(0, entry.find(" (none)")));
        EXPECT_EQ(titles,
                  (std::vector<std::string>{"weekly", "other series", "loose", "weekly moved"}))
            << (lookUp ? "with" : "without") << " the duplicate check";
    }
}

// A database of the version before keeps its entries, without originals,
// and takes them from then on.
TEST_P(Originals, ADatabaseThatKeptNoneIsUpgraded) {
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    kvAddressRecord before = CTestRecords::Address("alice", "Before", "", "");
    ASSERT_TRUE(kvAddAddress(&before));
    ASSERT_TRUE(kvCloseAddressBook());
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord meeting = CTestRecords::Schedule("alice", "meeting", 2026, 1, 5, 9, 0);
    ASSERT_TRUE(kvAddSchedule(&meeting, 0));
    ASSERT_TRUE(kvCloseSchedules());
    kvShutdown();
    const bool server = m_database.IsServer();
    for (const char* sql :
         {"DROP INDEX schedules_by_series", "ALTER TABLE schedules DROP COLUMN original",
          "ALTER TABLE schedules DROP COLUMN series", "ALTER TABLE addresses DROP COLUMN original"})
        m_database.Query(sql);
    m_database.Query(server ? "UPDATE kv_meta SET value = 7 WHERE name = 'schema_version'"
                            : "PRAGMA user_version=7");
    EXPECT_EQ(Book(), std::vector<std::string>{"Before (none)"});
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 11")));
    EXPECT_EQ(Calendar(), std::vector<std::string>{"meeting (none)"});
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_ADDRESS, kGerman.c_str(), nullptr));
    kvAddressRecord after = CTestRecords::Address("alice", "After", "", "");
    ASSERT_TRUE(kvAddAddress(&after));
    ASSERT_TRUE(kvCloseAddressBook());
    EXPECT_EQ(Book(), (std::vector<std::string>{"Before (none)", "After " + kGerman}));
}
