#include "LibraryTest.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

using Database = FileLibraryTest;
using Schema = LibraryTest;
KELVO_ON_BOTH_ENGINES(Schema);

namespace {

mode_t Mode(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

} // namespace

TEST_F(Database, DefaultLocationIsPrivate) {
    kvShutdown();
    unsetenv("KELVO_DATABASE");
    setenv("XDG_DATA_HOME", (m_database.Folder() + "/data").c_str(), 1);
    ASSERT_TRUE(kvAdminOpenDatabase());
    char path[512];
    ASSERT_TRUE(kvAdminDatabasePath(path, sizeof(path)));
    kvShutdown();
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(std::string(path), m_database.Folder() + "/data/kelvo/groupware.db");
    EXPECT_EQ(Mode(m_database.Folder() + "/data/kelvo"), 0700u);
    EXPECT_EQ(Mode(path), 0600u);
}

TEST_F(Database, ConfiguredFileIsPrivateAndReopens) {
    AddUser(CTestRecords::User("alice"));
    EXPECT_EQ(Mode(m_database.Path()), 0600u);
    kvShutdown();
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_TRUE(kvGetUser("alice", record.get())) << "usable again after shutdown";
}

TEST_F(Database, UnusableDatabaseFailsEveryOperationWithAReason) {
    kvShutdown();
    MonitorLines();
    // A folder where the file should be: it can be neither created nor opened.
    std::filesystem::create_directory(m_database.Path());
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_FALSE(kvOpenUsers("", nullptr, 0));
    EXPECT_FALSE(kvNextUser(record.get(), 1));
    EXPECT_FALSE(kvGetUser("alice", record.get()));
    EXPECT_FALSE(kvOpenSchedules("alice", ""));
    EXPECT_FALSE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    EXPECT_FALSE(kvOpenBoard("guest09", -1));
    EXPECT_TRUE(MonitorMentions("cannot be opened"));
    std::filesystem::remove(m_database.Path());
}

TEST_P(Schema, NewerSchemaIsRefusedAndOlderOneUpgraded) {
    ASSERT_TRUE(kvAdminOpenDatabase());
    AddUser(CTestRecords::User("alice"));
    kvShutdown();
    const bool server = m_database.IsServer();
    m_database.Query(server ? "UPDATE kv_meta SET value = 99 WHERE name = 'schema_version'"
                            : "PRAGMA user_version=99");
    MonitorLines();
    EXPECT_FALSE(kvAdminOpenDatabase());
    EXPECT_TRUE(MonitorMentions("newer"));

    // Version 2 lacked the table of change counts.
    m_database.Query(server ? "UPDATE kv_meta SET value = 2 WHERE name = 'schema_version'"
                            : "PRAGMA user_version=2");
    m_database.Query("DROP TABLE kv_changes");
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_TRUE(kvGetUser("alice", record.get())) << "the data stays";
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 6")));
    EXPECT_EQ(m_database.Count("kv_changes"), 0) << "the table is there";
}

TEST_F(Database, WriteThatCannotBeMadeFailsWithAReason) {
    ASSERT_TRUE(kvAdminOpenDatabase());
    kvShutdown();
    setenv("KELVO_BUSY_TIMEOUT", "100", 1);
    // Another process's writer that never lets go.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    MonitorLines();
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord record = CTestRecords::Schedule("alice", "blocked", 2001, 1, 5, 9, 0);
    EXPECT_FALSE(kvAddSchedule(&record, 0));
    EXPECT_TRUE(MonitorMentions("locked"));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(kvAddSchedule(&record, 0)) << "once the other writer is gone";
    EXPECT_TRUE(kvCloseSchedules());
    unsetenv("KELVO_BUSY_TIMEOUT");
}

TEST_F(Database, FileWithoutTheMarkIsUpgradedWithItsData) {
    AddUser(CTestRecords::User("alice"));
    kvShutdown();
    // What the first version wrote: the schema, version 1, no application id.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA application_id=0; PRAGMA user_version=1; DROP TABLE kv_changes; "
                           "DROP INDEX addresses_by_owner; CREATE INDEX addresses_by_name ON "
                           "addresses(owner, last_name, first_name, company)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    MonitorLines();
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_TRUE(kvGetUser("alice", record.get()));
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 6")));
    kvShutdown();
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int64(stmt, 0), 0x4B4C564F);
    sqlite3_finalize(stmt);
    // The addresses are indexed by owner alone now.
    sqlite3_prepare_v2(db,
                       "SELECT group_concat(name) FROM sqlite_master WHERE tbl_name = 'addresses' "
                       "AND type = 'index'",
                       -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "addresses_by_owner");
    sqlite3_finalize(stmt);
    sqlite3_close(db);

    // Asking for what is not there is no failure; a list that is not open has no reason either.
    char reason[KV_MONITOR_LINE_SIZE];
    EXPECT_FALSE(kvGetUser("nobody", record.get()));
    EXPECT_FALSE(kvLastError(reason, sizeof(reason)));
    EXPECT_STREQ(reason, "");
    EXPECT_FALSE(kvNextAddress(nullptr, 1));
    EXPECT_FALSE(kvLastError(reason, sizeof(reason)));
}
