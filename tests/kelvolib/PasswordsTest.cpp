#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "LibraryTest.h"
#include "ServerSession.h"

using Passwords = LibraryTest;
KELVO_ON_BOTH_ENGINES(Passwords);

namespace {

constexpr auto Reason = &LibraryTestBase::Reason;
constexpr auto UseDatabase = &LibraryTestBase::UseDatabase;
constexpr auto Refused = &CServerSession::Refused;

} // namespace

TEST_P(Passwords, SignInAndChangeAsAPersonWould) {
    const std::string tanaka = CTestRecords::Sjis("田中");
    // A full-width digit: a SCRAM client normalises it (SASLprep), and so must the verifier.
    const std::string japanese = CTestRecords::Sjis("パスワード１");
    AddUser(CTestRecords::User("alice", "", {}, "secret"));
    AddUser(CTestRecords::User("bob", "", {}, ""));
    AddUser(CTestRecords::User("carol", "", {}, "carol-pw"));
    AddUser(CTestRecords::User(tanaka, "", {}, japanese));
    UseDatabase(m_database.PeopleUri());
    MonitorLines();

    if (m_database.IsServer()) {
        EXPECT_FALSE(kvOpenUsers("", nullptr, 0));
        EXPECT_NE(Reason().find("nobody has signed in"), std::string::npos) << Reason();
        EXPECT_TRUE(MonitorLines().empty()) << "no error on the monitor before a sign-in could be";
    }
    // A wrong password and an unknown name look the same: 0 and no reason.
    EXPECT_FALSE(kvCheckPassword("alice", "wrong"));
    EXPECT_EQ(Reason(), "");
    EXPECT_FALSE(kvCheckPassword("nobody", "secret"));
    EXPECT_EQ(Reason(), "");
    EXPECT_FALSE(kvCheckPassword("alice", ""));
    EXPECT_FALSE(kvCheckPassword("Alice", "secret")) << "names compare byte for byte";
    EXPECT_TRUE(kvCheckPassword("bob", "")) << "an empty password works where it was set empty";
    EXPECT_TRUE(kvCheckPassword(tanaka.c_str(), japanese.c_str()));
    ASSERT_TRUE(kvCheckPassword("alice", "secret"));
    ASSERT_TRUE(kvOpenUsers("", nullptr, 0)) << Reason();
    auto record = std::make_unique<kvUserRecord>();
    int users = 0;
    for (; kvNextUser(record.get(), 1); ++users)
        EXPECT_EQ(FIELD(*record, password), "");
    EXPECT_EQ(users, 4);
    kvCloseUsers();

    // Another user's password changes only with that user's current one;
    // whoever is signed in stays so.
    EXPECT_FALSE(kvChangePassword("carol", "wrong", "new-password"));
    EXPECT_EQ(Reason(), "");
    EXPECT_FALSE(kvChangePassword("carol", "carol-pw", "tab\there-too"));
    EXPECT_NE(Reason().find("control"), std::string::npos) << Reason();
    EXPECT_FALSE(kvChangePassword("carol", "carol-pw", std::string(256, 'x').c_str()));
    // Seven characters are too few, however many bytes they take.
    EXPECT_FALSE(
        kvChangePassword("carol", "carol-pw", CTestRecords::Sjis("七文字のパスだ").c_str()));
    EXPECT_NE(Reason().find("at least 8 characters"), std::string::npos) << Reason();
    EXPECT_FALSE(kvChangePassword("alice", "secret", ""));
    ASSERT_TRUE(kvChangePassword("carol", "carol-pw", "new-password")) << Reason();
    ASSERT_TRUE(kvGetUser("carol", record.get())) << "still signed in: " << Reason();
    const std::string eight = CTestRecords::Sjis("八文字のパスワード");
    EXPECT_TRUE(kvChangePassword("alice", "secret", eight.c_str())) << Reason();
    EXPECT_TRUE(kvOpenUsers("", nullptr, 0)) << "a changed own password keeps the connection";
    kvCloseUsers();
    UseDatabase(m_database.PeopleUri());
    EXPECT_FALSE(kvCheckPassword("carol", "carol-pw"));
    EXPECT_TRUE(kvCheckPassword("carol", "new-password"));
    EXPECT_TRUE(kvCheckPassword("alice", eight.c_str()));
    for (const std::string& line : MonitorLines())
        for (const char* secret : {"secret", "carol-pw", "new-password", "SCRAM"})
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
}

TEST_P(Passwords, EachWrongPasswordInARowWaitsLonger) {
    // 40 ms, 80 ms, 160 ms: only the least each must take is checked.
    setenv("KELVO_SIGNIN_WAIT_MS", "40", 1);
    struct CRestore {
        ~CRestore() { setenv("KELVO_SIGNIN_WAIT_MS", "1", 1); }
    } restore;
    AddUser(CTestRecords::User("dora", "", {}, "dora-password"));
    UseDatabase(m_database.PeopleUri());
    const auto start = std::chrono::steady_clock::now();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_FALSE(kvCheckPassword("dora", "guess"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(280));
    if (!m_database.IsServer()) {
        // The file counts them, for whichever process tries next; a sign-in
        // that works starts again.
        EXPECT_EQ(m_database.Query("SELECT failures FROM sign_in_failures"),
                  std::vector<std::string>{"3"});
        ASSERT_TRUE(kvCheckPassword("dora", "dora-password"));
        EXPECT_EQ(m_database.Count("sign_in_failures"), 0);
    }
}

TEST_P(Passwords, OldDatabaseWithTextPasswordsIsUpgraded) {
    ASSERT_TRUE(kvAdminOpenDatabase());
    kvShutdown();
    // What schema version 3 held: passwords as text, and on a server no roles.
    if (m_database.IsServer()) {
        m_database.Query("ALTER TABLE users DROP COLUMN role_name");
        m_database.Query("UPDATE kv_meta SET value = 3 WHERE name = 'schema_version'");
        m_database.Query("INSERT INTO users(name, password) VALUES (convert_to('dave', 'UTF8'), "
                         "convert_to('dave-pw', 'UTF8')), (convert_to('erin', 'UTF8'), '')");
    } else {
        m_database.Query("PRAGMA user_version=3");
        m_database.Query("INSERT INTO users(name, password) VALUES (CAST('dave' AS BLOB), "
                         "CAST('dave-pw' AS BLOB)), (CAST('erin' AS BLOB), x'')");
    }
    ASSERT_TRUE(kvAdminOpenDatabase()) << Reason();
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("スキーマ版 11")));
    for (const std::string& row :
         m_database.Query(m_database.IsServer() ? "SELECT convert_from(password, 'UTF8') FROM users"
                                                : "SELECT CAST(password AS TEXT) FROM users"))
        EXPECT_EQ(row.rfind("SCRAM-SHA-256$4096:", 0), 0u) << row;
    UseDatabase(m_database.PeopleUri());
    EXPECT_TRUE(kvCheckPassword("dave", "dave-pw")) << Reason();
    EXPECT_TRUE(kvCheckPassword("erin", "")) << Reason();
    EXPECT_FALSE(kvCheckPassword("dave", "erin"));
}

TEST(OfficeServer, PeopleCannotReachWhatIsNotTheirs) {
    CTempDatabase server("postgresql");
    for (const char* user : {"alice", "boss"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-pw");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    ASSERT_TRUE(kvOpenSchedules("boss", ""));
    kvScheduleRecord meeting = CTestRecords::Schedule("boss", "private", 2026, 12, 9, 10, 0);
    ASSERT_TRUE(kvAddSchedule(&meeting, 0));
    ASSERT_TRUE(kvCloseSchedules());
    ASSERT_TRUE(kvOpenAddressBook("boss", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("boss"));
    kvAddressRecord contact = CTestRecords::Address("boss", "Secret", "Contact", "Co");
    ASSERT_TRUE(kvAddAddress(&contact));
    ASSERT_TRUE(kvCloseAddressBook());
    const std::string aliceRole = server
                                      .Query("SELECT role_name FROM users WHERE "
                                             "name = convert_to('alice', 'UTF8')")
                                      .at(0);
    const std::string bossRole = server
                                     .Query("SELECT role_name FROM users WHERE "
                                            "name = convert_to('boss', 'UTF8')")
                                     .at(0);
    const std::string bossOwner =
        server.Query("SELECT id FROM owners WHERE name = convert_to('boss', 'UTF8')").at(0);

    CServerSession alice(server.PeopleUri(), aliceRole, "alice-pw");
    ASSERT_TRUE(alice.Connected()) << alice.Error();
    EXPECT_EQ(alice.Run("SELECT count(*) FROM users"), "2") << "the user list is readable";
    EXPECT_TRUE(Refused(alice.Run("SELECT name, password FROM users")));
    EXPECT_TRUE(Refused(alice.Run("SELECT rolpassword FROM pg_authid")));
    EXPECT_EQ(alice.Run("SELECT count(*) FROM schedules"), "0") << "the boss's are not seen";
    EXPECT_EQ(alice.Run("SELECT count(*) FROM addresses"), "0");
    EXPECT_TRUE(
        Refused(alice.Run("INSERT INTO schedules VALUES (999, " + bossOwner +
                          ", 'x', '', 0, 0, 9, 1, 0, 126, 0, 0, 10, 1, 0, 126, 0, 0, 0, '')")));
    EXPECT_TRUE(Refused(alice.Run("INSERT INTO addresses(id, owner, category, title, last_name, "
                                  "last_name_reading, first_name, name_reading, company, "
                                  "business_phone, business_phone_2, business_fax, email, "
                                  "business_postal_code, business_prefecture, business_city, "
                                  "business_street, home_phone, home_phone_2, mobile_phone, "
                                  "home_fax, email_2, web_page, home_prefecture, home_city, "
                                  "home_street, memo) SELECT 999, convert_to('boss', 'UTF8'), "
                                  "'', '', '', '', '', '', '', '', '', '', '', '', '', '', '', "
                                  "'', '', '', '', '', '', '', '', '', ''")));
    EXPECT_EQ(alice.Run("UPDATE schedules SET title = 'mine' RETURNING id"), "")
        << "the boss's entry cannot be changed";
    EXPECT_TRUE(Refused(alice.Run("UPDATE users SET password = '' WHERE true")));
    EXPECT_TRUE(Refused(alice.Run("ALTER ROLE \"" + bossRole + "\" PASSWORD 'mine'")));
    EXPECT_TRUE(Refused(alice.Run("CREATE TABLE mine(i int)")));
    EXPECT_TRUE(Refused(alice.Run("DROP TABLE schedules")));
    EXPECT_TRUE(Refused(alice.Run("ALTER TABLE schedules DISABLE ROW LEVEL SECURITY")));
    // A temporary table named like ours does not change who she is to the policies.
    alice.Run("CREATE TEMP TABLE users(name bytea, role_name text)");
    alice.Run("INSERT INTO pg_temp.users VALUES (convert_to('boss', 'UTF8'), current_user)");
    EXPECT_EQ(alice.Run("SELECT count(*) FROM " + server.Query("SELECT current_schema()").at(0) +
                        ".schedules"),
              "0");

    // Through the library as herself: her own entries are stored, the boss's refused.
    UseDatabase(server.PeopleUri());
    ASSERT_TRUE(kvCheckPassword("alice", "alice-pw"));
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    EXPECT_FALSE(kvNextSchedule(std::make_unique<kvScheduleRecord>().get(), 1));
    for (int hour = 9; hour < 12; ++hour) {
        kvScheduleRecord mine = CTestRecords::Schedule("alice", "mine", 2026, 12, 9, hour, 0);
        ASSERT_TRUE(kvAddSchedule(&mine, 0)) << Reason();
    }
    EXPECT_TRUE(kvCloseSchedules()) << Reason();
    ASSERT_TRUE(kvOpenSchedules("boss", ""));
    kvScheduleRecord forged = CTestRecords::Schedule("boss", "forged", 2026, 12, 9, 8, 0);
    const bool added = kvAddSchedule(&forged, 0) != 0;
    std::string refusal = added ? std::string() : Reason();
    const bool committed = kvCloseSchedules() != 0;
    EXPECT_FALSE(added && committed) << "the server refuses an entry of someone else's";
    if (added)
        refusal = Reason();
    EXPECT_NE(refusal.find("someone else"), std::string::npos) << refusal;
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    kvAddressRecord friendly = CTestRecords::Address("alice", "Friend", "One", "");
    kvAddressRecord everyone = CTestRecords::Address("", "Public", "Two", "");
    ASSERT_TRUE(kvAddAddress(&friendly));
    ASSERT_TRUE(kvAddAddress(&everyone));
    EXPECT_TRUE(kvCloseAddressBook()) << Reason();
    kvShutdown();
    EXPECT_EQ(server.Query("SELECT count(*) FROM schedules").at(0), "4");
    EXPECT_EQ(server.Query("SELECT count(*) FROM addresses").at(0), "3");
}

TEST(OfficeServer, CopyThereAndBackKeepsEveryPassword) {
    CTempDatabase server("postgresql");
    const std::string first = server.Folder() + "/first.db", back = server.Folder() + "/back.db";
    const std::string tanaka = CTestRecords::Sjis("田中");
    UseDatabase(first);
    for (const auto& user : {std::make_pair(std::string("alice"), std::string("a-pw")),
                             std::make_pair(tanaka, CTestRecords::Sjis("ぱすわーど")),
                             std::make_pair(std::string("bob"), std::string())}) {
        kvUserRecord record = CTestRecords::User(user.first, "", {}, user.second);
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    auto signsIn = [&](const std::string& where) {
        UseDatabase(where);
        EXPECT_TRUE(kvCheckPassword("alice", "a-pw")) << where << ": " << Reason();
        EXPECT_TRUE(kvCheckPassword(tanaka.c_str(), CTestRecords::Sjis("ぱすわーど").c_str()))
            << where;
        EXPECT_TRUE(kvCheckPassword("bob", "")) << where;
        EXPECT_FALSE(kvCheckPassword("bob", "a-pw")) << where;
    };
    ASSERT_TRUE(kvAdminCopyTo(server.Path().c_str(), nullptr, 0)) << Reason();
    signsIn(server.PeopleUri());
    UseDatabase(server.Path());
    ASSERT_TRUE(kvAdminCopyTo(back.c_str(), nullptr, 0)) << Reason();
    signsIn(back);
}

TEST(OfficeServer, SignInThatCannotBeCheckedSaysWhy) {
    CTempDatabase server("postgresql");
    kvUserRecord alice = CTestRecords::User("alice", "", {}, "a-pw");
    ASSERT_TRUE(kvAdminAddUser(&alice));
    const std::string people = server.PeopleUri();
    // Nobody listens at port 1.
    std::string unreachable = people;
    const size_t port = unreachable.find("localhost:") + 10;
    unreachable.replace(port, unreachable.find('/', port) - port, "1");
    // A certificate authority that did not sign the server's certificate.
    std::string otherAuthority = people;
    const size_t root = otherAuthority.find("sslrootcert=") + 12;
    const std::string fake = server.Folder() + "/other-ca.crt";
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=other "
                           "-keyout /dev/null -out '" +
                           fake + "' 2>/dev/null")
                              .c_str()),
              0);
    otherAuthority.replace(root, otherAuthority.find('&', root) - root, fake);
    for (const std::string& where : {unreachable, otherAuthority}) {
        UseDatabase(where);
        EXPECT_FALSE(kvCheckPassword("alice", "a-pw"));
        EXPECT_NE(Reason().find("cannot be opened"), std::string::npos)
            << where << ": " << Reason();
    }
    UseDatabase(people);
    EXPECT_TRUE(kvCheckPassword("alice", "a-pw")) << Reason();
}
