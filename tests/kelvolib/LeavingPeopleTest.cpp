// People who leave, or are away: removed and disabled users sign in to
// nothing, and on a server neither do the roles a groupware no longer knows.

#include <memory>

#include "LibraryTest.h"
#include "ServerSession.h"

using LeavingPeople = LibraryTest;
KELVO_ON_BOTH_ENGINES(LeavingPeople);

TEST_P(LeavingPeople, RemovedAndDisabledPeopleSignInToNothing) {
    for (const char* user : {"alice", "bob"})
        AddUser(CTestRecords::User(user, "", {}, std::string(user) + "-password"));
    ASSERT_TRUE(AddAddress("alice", CTestRecords::Address("alice", "Private", "Entry", "")));
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord meeting = CTestRecords::Schedule("alice", "meeting", 2026, 12, 9, 10, 0);
    ASSERT_TRUE(kvAddSchedule(&meeting, 0));
    ASSERT_TRUE(kvCloseSchedules());
    const std::string role =
        m_database.IsServer()
            ? m_database
                  .Query("SELECT role_name FROM users WHERE name = convert_to('alice', 'UTF8')")
                  .at(0)
            : std::string();
    auto signsIn = [&](const char* user) {
        UseDatabase(m_database.PeopleUri());
        const bool signedIn = kvCheckPassword(user, (std::string(user) + "-password").c_str()) != 0;
        UseDatabase(m_database.Path());
        return signedIn;
    };
    auto roles = [&] {
        return m_database.IsServer()
                   ? m_database
                         .Query("SELECT count(*) FROM pg_roles WHERE rolname = '" + role + "'")
                         .at(0)
                   : std::string("none");
    };

    ASSERT_TRUE(kvAdminEnableUser("alice", 0)) << Reason();
    EXPECT_FALSE(signsIn("alice")) << "a disabled user is refused like a wrong password";
    EXPECT_EQ(Reason(), "");
    EXPECT_TRUE(signsIn("bob"));
    ASSERT_TRUE(kvAdminEnableUser("alice", 1)) << Reason();
    EXPECT_TRUE(signsIn("alice")) << Reason();
    EXPECT_FALSE(kvAdminEnableUser("nobody", 0));
    EXPECT_NE(Reason().find("no user nobody"), std::string::npos) << Reason();

    // Removed, her entries kept: the administrator still has them, nobody
    // signs in as her, and no new user takes her name (and so her entries).
    char summary[64] = {};
    ASSERT_TRUE(kvAdminRemoveUser("alice", 0, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "1 schedule and 1 address");
    EXPECT_FALSE(signsIn("alice"));
    EXPECT_EQ(roles(), m_database.IsServer() ? "0" : "none") << "the role went with the user";
    EXPECT_EQ(m_database.Count("addresses"), 1);
    EXPECT_EQ(m_database.Count("schedules"), 1);
    kvUserRecord again = CTestRecords::User("alice", "", {}, "alice-password");
    EXPECT_FALSE(kvAdminAddUser(&again));
    EXPECT_NE(Reason().find("--purge"), std::string::npos) << Reason();

    ASSERT_TRUE(kvAdminRemoveUser("alice", 1, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "1 schedule and 1 address");
    EXPECT_EQ(m_database.Count("addresses"), 0);
    EXPECT_EQ(m_database.Count("schedules"), 0);
    ASSERT_TRUE(kvAdminAddUser(&again)) << Reason();
    EXPECT_TRUE(signsIn("alice")) << Reason();
    EXPECT_FALSE(kvAdminRemoveUser("nobody", 1, nullptr, 0));
}

TEST(OfficeServer, RolesTheGroupwareNoLongerKnowsSignInToNothing) {
    CTempDatabase server("postgresql");
    for (const char* user : {"alice", "bob"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-password");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    ASSERT_TRUE(LibraryTestBase::AddAddress("alice", CTestRecords::Address("", "Pub", "Lic", "")));
    auto roleOf = [&](const char* user) {
        return server
            .Query(std::string("SELECT role_name FROM users WHERE name = convert_to('") + user +
                   "', 'UTF8')")
            .at(0);
    };
    auto roleCount = [&](const std::string& role) {
        return server.Query("SELECT count(*) FROM pg_roles WHERE rolname = '" + role + "'").at(0);
    };
    const std::string aliceRole = roleOf("alice"), bobRole = roleOf("bob");

    // A user row deleted by hand: the role still logs in, and reads and writes nothing.
    server.Query("DELETE FROM users WHERE name = convert_to('bob', 'UTF8')");
    LibraryTestBase::UseDatabase(server.PeopleUri());
    EXPECT_FALSE(kvCheckPassword("bob", "bob-password"));
    {
        CServerSession bob(server.PeopleUri(), bobRole, "bob-password");
        ASSERT_TRUE(bob.Connected()) << bob.Error();
        for (const char* table : {"users", "addresses", "board", "owners"})
            EXPECT_EQ(bob.Run(std::string("SELECT count(*) FROM ") + table), "0") << table;
        EXPECT_TRUE(CServerSession::Refused(bob.Run("SELECT kv_reserve_ids('addresses')")));
    }
    LibraryTestBase::UseDatabase(server.Path());
    char summary[64] = {};
    ASSERT_TRUE(kvAdminPruneLogins(summary, sizeof(summary))) << LibraryTestBase::Reason();
    EXPECT_STREQ(summary, "1 sign-in");
    EXPECT_EQ(roleCount(bobRole), "0");
    EXPECT_EQ(roleCount(aliceRole), "1");

    // The groupware dropped and made again: its former roles go first.
    const std::string schema = server.Query("SELECT current_schema()").at(0);
    kvShutdown();
    server.Query("DROP SCHEMA " + schema + " CASCADE");
    server.Query("CREATE SCHEMA " + schema);
    LibraryTestBase::UseDatabase(server.PeopleUri());
    EXPECT_FALSE(kvCheckPassword("alice", "alice-password"));
    LibraryTestBase::UseDatabase(server.Path());
    EXPECT_FALSE(kvAdminOpenDatabase());
    EXPECT_NE(LibraryTestBase::Reason().find("kelvo-admin roles prune"), std::string::npos)
        << LibraryTestBase::Reason();
    ASSERT_TRUE(kvAdminPruneLogins(summary, sizeof(summary))) << LibraryTestBase::Reason();
    EXPECT_STREQ(summary, "1 sign-in");
    ASSERT_TRUE(kvAdminOpenDatabase()) << LibraryTestBase::Reason();
    EXPECT_EQ(roleCount(aliceRole), "0");
    EXPECT_EQ(server.Count("users"), 0);
}
