// What people and administrators can do on an office's server when they
// bypass the library: each statement here is one an attacker tried.

#include <memory>

#include "LibraryTest.h"
#include "ServerSession.h"
#include "ThrowawayServer.h"

namespace {

constexpr auto Reason = &LibraryTestBase::Reason;
constexpr auto UseDatabase = &LibraryTestBase::UseDatabase;
constexpr auto Refused = &CServerSession::Refused;

std::string RoleOf(const CTempDatabase& server, const std::string& user) {
    return server
        .Query("SELECT role_name FROM users WHERE name = convert_to('" + user + "', 'UTF8')")
        .at(0);
}

constexpr auto AddAddress = &LibraryTestBase::AddAddress;

} // namespace

TEST(OfficeServer, PeopleCannotSpoilWhatOthersShare) {
    CTempDatabase server("postgresql");
    for (const char* user : {"alice", "bob"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-password");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    ASSERT_TRUE(AddAddress("bob", CTestRecords::Address("", "Public", "Entry", "")));
    ASSERT_TRUE(AddAddress("bob", CTestRecords::Address("bob", "Private", "Entry", "")));
    const std::string before = server
                                   .Query("SELECT count(*), min(id), max(id) FROM addresses "
                                          "GROUP BY owner = '' ORDER BY 1")
                                   .at(0);

    CServerSession alice(server.PeopleUri(), RoleOf(server, "alice"), "alice-password");
    ASSERT_TRUE(alice.Connected()) << alice.Error();
    ASSERT_EQ(alice.Run("SELECT count(*) FROM addresses"), "1") << "she sees the public entry";
    const std::string bob = "convert_to('bob', 'UTF8')";
    for (const std::string& sql : {
             // a public entry moved into her own book, or renumbered
             std::string("UPDATE addresses SET owner = convert_to('alice', 'UTF8')"),
             std::string("UPDATE addresses SET id = id + 65536"),
             // the lock and the change count of bob's writes
             "SELECT kv_lock('addresses', " + bob + ")",
             "SELECT kv_lock('schedules', " + bob + ")",
             "SELECT kv_count_changes('addresses', " + bob + ", 0)",
             std::string("UPDATE kv_changes SET version = 0"),
             std::string("DELETE FROM kv_changes"),
             std::string(
                 "INSERT INTO kv_changes(kind, owner, version) VALUES ('addresses', '', 0)"),
             // the IDs of the next block
             std::string("SELECT nextval('kv_ids_addresses')"),
             std::string("SELECT kv_add_addresses(ARRAY(SELECT jsonb_populate_record(a, "
                         "jsonb_build_object('id', a.id + 65536)) FROM addresses a))"),
             // a password the administrator's copy could not carry
             std::string("SELECT kv_set_password('not a verifier')"),
             std::string("SELECT kv_set_password('SCRAM-SHA-256$1:c2FsdA==$AAAA:AAAA')"),
             // another's series
             std::string("SELECT kv_drop_series(convert_to('bob', 'UTF8'), 's@example')"),
             // the roles' own functions
             std::string("SELECT kelvo_setup.own_password(current_schema(), '')"),
         })
        EXPECT_TRUE(Refused(alice.Run(sql))) << sql;
    kvShutdown();
    EXPECT_EQ(server
                  .Query("SELECT count(*), min(id), max(id) FROM addresses "
                         "GROUP BY owner = '' ORDER BY 1")
                  .at(0),
              before);

    // While she holds the lock of her own entries, bob writes his and the
    // public ones as himself.
    ASSERT_EQ(alice.Run("BEGIN"), "");
    ASSERT_EQ(alice.Run("SELECT kv_lock('addresses', convert_to('alice', 'UTF8'))"), "");
    UseDatabase(server.PeopleUri());
    ASSERT_TRUE(kvCheckPassword("bob", "bob-password")) << Reason();
    EXPECT_TRUE(AddAddress("bob", CTestRecords::Address("", "Second", "Public", ""))) << Reason();
    EXPECT_TRUE(AddAddress("bob", CTestRecords::Address("bob", "Second", "Private", "")))
        << Reason();
    // His series, written twice, keeps its original and one set of occurrences.
    for (int day : {5, 6}) {
        ASSERT_TRUE(kvOpenSchedules("bob", ""));
        ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "UID:s@example\r\n", "s@example"));
        kvScheduleRecord weekly = CTestRecords::Schedule("bob", "weekly", 2026, 1, day, 9, 0);
        EXPECT_TRUE(kvAddSchedule(&weekly, 0)) << Reason();
        EXPECT_TRUE(kvCloseSchedules()) << Reason();
    }
    EXPECT_EQ(server.Query(
                  "SELECT count(*), convert_from(string_agg(original, ''), 'UTF8') FROM schedules "
                  "WHERE series = 's@example'"),
              std::vector<std::string>{"1\tUID:s@example\r\n"});
    alice.Run("ROLLBACK");
    EXPECT_EQ(server.Count("addresses"), 4);

    // A password changed behind the groupware's back is what the groupware's
    // copy holds after the next sign-in: a copy of the groupware keeps it.
    ASSERT_EQ(alice.Run("ALTER ROLE CURRENT_USER PASSWORD 'behind-the-back'"), "");
    UseDatabase(server.PeopleUri());
    ASSERT_TRUE(kvCheckPassword("alice", "behind-the-back")) << Reason();
    UseDatabase(server.Path());
    const std::string copy = server.Folder() + "/copy.db";
    ASSERT_TRUE(kvAdminCopyTo(copy.c_str(), nullptr, 0)) << Reason();
    UseDatabase(copy);
    EXPECT_TRUE(kvCheckPassword("alice", "behind-the-back")) << Reason();
    EXPECT_FALSE(kvCheckPassword("alice", "alice-password"));
}

TEST(OfficeServer, AdministratorsReachNoOtherRoleAndNoVerifierReachesTheLog) {
    CThrowawayServer server;
    UseDatabase(server.Uri());
    kvUserRecord alice = CTestRecords::User("alice", "", {}, "alice-password");
    ASSERT_TRUE(kvAdminAddUser(&alice)) << Reason();
    kvShutdown();
    CServerSession super(server.SuperuserUri());
    ASSERT_TRUE(super.Connected()) << super.Error();
    const std::string prefix = super.Run("SELECT kelvo_setup.prefix('public')");
    const std::string aliceRole = prefix + "u_alice";
    const std::string verifier =
        super.Run("SELECT rolpassword FROM pg_authid WHERE rolname = '" + aliceRole + "'");
    ASSERT_EQ(verifier.rfind("SCRAM-SHA-256$", 0), 0u) << verifier;
    // A second office in the same database, set up as the docs say.
    for (const char* sql :
         {"CREATE ROLE other_admin LOGIN PASSWORD 'other-admin-password'",
          "CREATE SCHEMA other AUTHORIZATION other_admin",
          "GRANT USAGE ON SCHEMA kelvo_setup TO other_admin",
          "GRANT EXECUTE ON FUNCTION kelvo_setup.valid_verifier(text), kelvo_setup.claim(text), "
          "kelvo_setup.set_login(text, text, text), kelvo_setup.enable_login(text, text, boolean), "
          "kelvo_setup.drop_login(text, text), kelvo_setup.logins(text), "
          "kelvo_setup.own_password(text, text) TO other_admin"})
        ASSERT_EQ(super.Run(sql), "") << sql;

    CServerSession ours(server.Uri());
    CServerSession other(CThrowawayServer::PeopleOf(server.Uri()), "other_admin",
                         "other-admin-password");
    ASSERT_TRUE(ours.Connected() && other.Connected()) << ours.Error() << other.Error();
    for (CServerSession* admin : {&ours, &other})
        for (const std::string& sql : {
                 "GRANT \"" + aliceRole + "\" TO CURRENT_USER",
                 "GRANT \"" + prefix + "people\" TO CURRENT_USER",
                 std::string("GRANT pg_execute_server_program TO CURRENT_USER"),
                 std::string("COPY (SELECT 1) TO PROGRAM 'true'"),
                 std::string("CREATE ROLE kt_mine LOGIN"),
                 "ALTER ROLE \"" + aliceRole + "\" PASSWORD 'mine'",
                 std::string("SELECT rolpassword FROM pg_authid"),
                 // the setup's functions reach no role outside one's own office
                 "SELECT kelvo_setup.set_login('public', 'postgres', '" + verifier + "')",
                 "SELECT kelvo_setup.set_login('other', '" + aliceRole + "', '" + verifier + "')",
                 std::string("SELECT kelvo_setup.drop_login('public', 'other_admin')"),
             })
            EXPECT_TRUE(Refused(admin->Run(sql))) << (admin == &ours ? "ours: " : "other: ") << sql;
    for (const std::string& sql :
         {"SELECT kelvo_setup.set_login('public', '" + aliceRole + "', '" + verifier + "')",
          "SELECT kelvo_setup.enable_login('public', '" + aliceRole + "', false)",
          std::string("SELECT count(*) FROM kelvo_setup.logins('public')")})
        EXPECT_TRUE(Refused(other.Run(sql))) << "other: " << sql;
    EXPECT_EQ(ours.Run("SELECT count(*) FROM kelvo_setup.logins('public')"), "1")
        << "each administrator reaches the roles of its own office";
    EXPECT_EQ(other.Run("SELECT kelvo_setup.claim('other') <> '" + prefix + "'"), "t");
    UseDatabase(CThrowawayServer::PeopleOf(server.Uri()));
    EXPECT_TRUE(kvCheckPassword("alice", "alice-password")) << Reason();

    // A role statement the server refuses (only a superuser alters a
    // replication role): its verifier reaches neither the log nor a message.
    const size_t logged = server.Log().size();
    ASSERT_EQ(super.Run("CREATE ROLE \"" + prefix + "u_victim\" REPLICATION IN ROLE \"" + prefix +
                        "people\""),
              "");
    UseDatabase(server.Uri());
    kvUserRecord victim = CTestRecords::User("victim", "", {}, "victim-password");
    EXPECT_FALSE(kvAdminAddUser(&victim));
    EXPECT_NE(Reason().find("replication"), std::string::npos) << Reason();
    EXPECT_EQ(Reason().find("SCRAM"), std::string::npos) << Reason();
    const std::string log = server.Log().substr(logged);
    EXPECT_NE(log.find("replication"), std::string::npos) << "the refusal is logged";
    EXPECT_EQ(log.find("SCRAM-SHA-256$"), std::string::npos) << log;
}
