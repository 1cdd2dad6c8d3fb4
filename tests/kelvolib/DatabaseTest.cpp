#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LibraryTest.h"

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

TEST_F(Database, ConfigurationFilesNameTheGroupwareWhenTheVariableDoesNot) {
    AddUser(CTestRecords::User("alice"));
    kvShutdown();
    const std::string home = m_database.Folder() + "/config",
                      machine = m_database.Folder() + "/xdg";
    std::filesystem::create_directories(home + "/kelvo");
    std::filesystem::create_directories(machine + "/kelvo");
    auto write = [](const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    };
    write(machine + "/kelvo/kelvo.conf",
          "# the office's\n\ndatabase = postgresql://office.example/kelvo\n");
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", machine.c_str(), 1);
    setenv("XDG_DATA_HOME", (m_database.Folder() + "/data").c_str(), 1);
    char where[512];
    EXPECT_EQ(kvDatabaseLocation(where, sizeof(where)), KV_LOCATION_VARIABLE)
        << "the variable first";
    EXPECT_EQ(std::string(where), m_database.Path());
    unsetenv("KELVO_DATABASE");
    EXPECT_EQ(kvDatabaseLocation(where, sizeof(where)), KV_LOCATION_FILE);
    EXPECT_STREQ(where, "postgresql://office.example/kelvo");
    write(home + "/kelvo/kelvo.conf", "  database =  " + m_database.Path() + "  \r\n");
    EXPECT_EQ(kvDatabaseLocation(where, sizeof(where)), KV_LOCATION_FILE);
    EXPECT_EQ(std::string(where), m_database.Path()) << "the person's file before the machine's";
    auto user = std::make_unique<kvUserRecord>();
    EXPECT_TRUE(kvGetUser("alice", user.get())) << "opened where the file says: " << Reason();
    kvShutdown();
    write(home + "/kelvo/kelvo.conf", "database\n");
    EXPECT_EQ(kvDatabaseLocation(where, sizeof(where)), 0);
    EXPECT_EQ(Reason(), home + "/kelvo/kelvo.conf:1 is no setting: write name = value");
    EXPECT_FALSE(kvGetUser("alice", user.get())) << "a file that cannot be read opens nothing";
    std::filesystem::remove(home + "/kelvo/kelvo.conf");
    std::filesystem::remove(machine + "/kelvo/kelvo.conf");
    EXPECT_EQ(kvDatabaseLocation(where, sizeof(where)), KV_LOCATION_DESK);
    EXPECT_EQ(std::string(where), m_database.Folder() + "/data/kelvo/groupware.db");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME"})
        unsetenv(name);
    setenv("KELVO_DATABASE", m_database.Path().c_str(), 1);
}

TEST_F(Database, ConfiguredFileIsPrivateAndReopens) {
    AddUser(CTestRecords::User("alice"));
    EXPECT_EQ(Mode(m_database.Path()), 0600u);
    kvShutdown();
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_TRUE(kvGetUser("alice", record.get())) << "usable again after shutdown";

    // Left readable by others (copied, unpacked): made private again when opened.
    kvShutdown();
    ASSERT_EQ(chmod(m_database.Path().c_str(), 0644), 0);
    EXPECT_TRUE(kvGetUser("alice", record.get()));
    EXPECT_EQ(Mode(m_database.Path()), 0600u);
    EXPECT_EQ(Mode(m_database.Path() + "-wal"), 0600u);
}

TEST_F(Database, FileOthersCanReadAndThisUserCannotFixIsRefused) {
    // Only root can hand a file to another user here (CI runs as root).
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the file another owner";
    AddUser(CTestRecords::User("alice"));
    kvShutdown();
    ASSERT_EQ(chmod(m_database.Path().c_str(), 0644), 0);
    ASSERT_EQ(chown(m_database.Path().c_str(), 65534, 65534), 0);
    MonitorLines();
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_FALSE(kvGetUser("alice", record.get()));
    char reason[KV_MONITOR_LINE_SIZE] = {};
    kvLastError(reason, sizeof(reason));
    EXPECT_NE(std::string(reason).find("chmod 600"), std::string::npos) << reason;
    EXPECT_EQ(Mode(m_database.Path()), 0644u) << "another user's file is left as it is";
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
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 11")));
    EXPECT_EQ(m_database.Count("kv_changes"), 0) << "the table is there";
}

TEST_P(Schema, SchedulesKeptAsSixNumbersATimeAreRepackedInOrder) {
    // Version 5 kept each time as six columns: such a table, with times no
    // calendar has among them, is read back the same and in the same order.
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord entry = CTestRecords::Schedule("alice", "seed", 2026, 12, 9, 10, 0);
    ASSERT_TRUE(kvAddSchedule(&entry, 0)); // numbers the owner
    ASSERT_TRUE(kvCloseSchedules());
    kvShutdown();
    const bool server = m_database.IsServer();
    const std::string blob = server ? "bytea" : "BLOB", number = server ? "integer" : "INTEGER";
    // (Version 5 had none of the server's functions over the table's rows.)
    m_database.Query(server ? "DROP TABLE schedules CASCADE" : "DROP TABLE schedules");
    m_database.Query("CREATE TABLE schedules(id " + number + " NOT NULL, owner_id " + number +
                     " NOT NULL, title " + blob + " NOT NULL, place " + blob +
                     " NOT NULL, "
                     "start_second " +
                     number + " NOT NULL, start_minute " + number +
                     " NOT NULL, "
                     "start_hour " +
                     number + " NOT NULL, start_day " + number +
                     " NOT NULL, "
                     "start_month " +
                     number + " NOT NULL, start_year " + number +
                     " NOT NULL, "
                     "end_second " +
                     number + " NOT NULL, end_minute " + number +
                     " NOT NULL, "
                     "end_hour " +
                     number + " NOT NULL, end_day " + number +
                     " NOT NULL, "
                     "end_month " +
                     number + " NOT NULL, end_year " + number +
                     " NOT NULL, "
                     "all_day " +
                     number + " NOT NULL, public " + number +
                     " NOT NULL, "
                     "alarm_lead " +
                     number + " NOT NULL, comment " + blob +
                     " NOT NULL, "
                     "changed " +
                     number +
                     " NOT NULL DEFAULT 0, PRIMARY KEY (owner_id, "
                     "start_year, start_month, start_day, start_hour, start_minute, "
                     "start_second, id))");
    const std::string hex = server ? "'\\x" : "x'";
    // id, seconds..years of the start, then of the end, all-day, public, alarm, title.
    const char* rows[] = {"3, 0, 5, 9, 8, 11, 126, 0, 5, 10, 8, 11, 126, 0, 1, 15, '33'",
                          "2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 70, 1, 0, 0, '32'",
                          "1, 59, 59, 23, 31, 11, 126, 0, 0, 0, 1, 0, 127, 0, 0, 0, '31'",
                          "4, 0, 0, -1, 40, 13, -2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, '34'"};
    for (const char* row : rows) {
        std::string values = row;
        const size_t close = values.rfind('\''), open = values.rfind('\'', close - 1);
        const std::string title = values.substr(open + 1, close - open - 1); // hex digits
        values.erase(values.rfind(", "));
        m_database.Query("INSERT INTO schedules(id, start_second, start_minute, start_hour, "
                         "start_day, start_month, start_year, end_second, end_minute, end_hour, "
                         "end_day, end_month, end_year, all_day, public, alarm_lead, owner_id, "
                         "title, place, comment) VALUES (" +
                         values + ", (SELECT id FROM owners), " + hex + title + "', " + hex +
                         "', " + hex + "')");
    }
    m_database.Query(server ? "UPDATE kv_meta SET value = 5 WHERE name = 'schema_version'"
                            : "PRAGMA user_version=5");
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    auto record = std::make_unique<kvScheduleRecord>();
    std::vector<std::string> listed;
    while (kvNextSchedule(record.get(), 1))
        listed.push_back(
            std::string(record->title) + " " + std::to_string(record->start.yearsSince1900) + "/" +
            std::to_string(record->start.month) + "/" + std::to_string(record->start.dayOfMonth) +
            " " + std::to_string(record->start.hours) + ":" +
            std::to_string(record->start.minutes) + ":" + std::to_string(record->start.seconds) +
            " end " + std::to_string(record->end.yearsSince1900) + " alarm " +
            std::to_string(record->alarmLeadMinutes));
    kvCloseSchedules();
    EXPECT_EQ(listed, (std::vector<std::string>{"4 -2000/13/40 -1:0:0 end 0 alarm 0",
                                                "2 0/0/0 0:0:0 end 70 alarm 0",
                                                "3 126/11/8 9:5:0 end 126 alarm 15",
                                                "1 126/11/31 23:59:59 end 127 alarm 0"}));
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
    EXPECT_TRUE(MonitorMentions("another writer did not release the lock within 0.1 s"));
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
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 11")));
    kvShutdown();
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int64(stmt, 0), 0x4B4C564F);
    sqlite3_finalize(stmt);
    // The addresses are indexed by owner alone now (those with originals apart).
    sqlite3_prepare_v2(db,
                       "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE "
                       "tbl_name = 'addresses' AND type = 'index' ORDER BY name)",
                       -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                 "addresses_by_owner,addresses_with_original");
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
