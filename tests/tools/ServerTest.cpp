// The groupware shared by an office: many writers at once, lists during
// imports, a server that goes away, moving data between engines, credentials
// kept out of every message, and waits for the server that do not grow with
// the number of records.
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>
#include <memory>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "AdminProcessTest.h"
#include "ServerSession.h"
#include "ThrowawayServer.h"
#include "kelvo.h"
#include "kelvoadmin.h"

namespace {

using Sharing = AdminProcessTest;
KELVO_ON_BOTH_ENGINES(Sharing);

std::string Calendar(int first, int count) {
    std::string text = CTestRecords::Sjis("件名\t開始日\t開始時刻\r\n");
    for (int i = first; i < first + count; ++i)
        text += "T" + std::to_string(i) + "\t2026/1/" + std::to_string(1 + i % 28) +
                "\t9:" + std::to_string(i % 60) + ":00\r\n";
    return text;
}

long CountOn(const std::string& uri, const char* table) {
    long count = -1;
    PGconn* conn = PQconnectdb(uri.c_str());
    if (PQstatus(conn) == CONNECTION_OK) {
        PGresult* result = PQexec(conn, (std::string("SELECT count(*) FROM ") + table).c_str());
        if (PQresultStatus(result) == PGRES_TUPLES_OK)
            count = std::atol(PQgetvalue(result, 0, 0));
        PQclear(result);
    }
    PQfinish(conn);
    return count;
}

} // namespace

TEST_P(Sharing, EightImportersOfDifferentOwnersLoseNothing) {
    const int count = 3000;
    std::vector<std::string> owners;
    for (int i = 0; i < 8; ++i)
        owners.push_back("user" + std::to_string(i));
    InitWithUsers(owners);
    std::vector<std::unique_ptr<CImportFile>> files;
    std::vector<std::thread> imports;
    std::vector<CProcessRunner::CResult> results(owners.size());
    for (size_t i = 0; i < owners.size(); ++i) {
        files.push_back(
            std::make_unique<CImportFile>(Calendar(static_cast<int>(i) * count, count), false));
        imports.emplace_back([&, i] {
            results[i] = Admin({"import", "schedules", "--owner", owners[i], "--duplicate-check",
                                files[i]->Path()});
        });
    }
    for (std::thread& import : imports)
        import.join();
    for (const auto& result : results)
        EXPECT_EQ(FirstLine(result.out), "stored 3000 schedule records\n") << result.err;
    EXPECT_EQ(Query("SELECT count(*), count(DISTINCT title), count(DISTINCT id) FROM schedules"),
              std::vector<std::string>{"24000\t24000\t24000"});
}

TEST_P(Sharing, AnOpenListKeepsItsSnapshotWhileAnotherProgramImports) {
    const int rows = 25000; // more than one chunk of a server's list
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    for (int i = 0; i < rows; ++i) {
        kvScheduleRecord record = CTestRecords::Schedule("alice", "s" + std::to_string(i), 2026,
                                                         1 + i % 12, 1 + i % 28, 9, i % 60);
        ASSERT_TRUE(kvAddSchedule(&record, 0));
    }
    ASSERT_TRUE(kvCloseSchedules());
    kvUserRecord alice = CTestRecords::User("alice", "", {}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&alice));

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    auto record = std::make_unique<kvScheduleRecord>();
    ASSERT_TRUE(kvNextSchedule(record.get(), 1));
    CImportFile more(Calendar(0, 300), false);
    auto imported = Admin({"import", "schedules", "--owner", "alice", more.Path()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    int delivered = 1;
    while (kvNextSchedule(record.get(), 1))
        ++delivered;
    kvCloseSchedules();
    EXPECT_EQ(delivered, rows) << "the list that was open saw none of the import";

    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    delivered = 0;
    while (kvNextSchedule(record.get(), 1))
        ++delivered;
    kvCloseSchedules();
    EXPECT_EQ(delivered, rows + 300) << "a list opened afterwards sees all of it";
}

// A list that learns at its opening that none of its entries keeps anything
// beside it reads no originals; an import between that and its first row
// must not bring it entries whose originals it then leaves out.
TEST_P(Sharing, AnImportAsAListOpensBringsNoEntryWithoutWhatItKeeps) {
    InitWithUsers({"alice"});
    CImportFile before("姓\t名\nSato\tHana\n", false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", before.Path()}).status, 0);
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    CImportFile partner("姓\t名\nMüller\tJürgen\n", false);
    auto imported = Admin({"import", "addresses", "--owner", "alice", partner.Path()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    auto record = std::make_unique<kvAddressRecord>();
    int delivered = 0, without = 0;
    while (kvNextAddress(record.get(), 1)) {
        ++delivered;
        const bool lost = std::string(record->lastName).find("\x81\xAC") != std::string::npos;
        without += lost && kvLastOriginal(KV_KIND_ADDRESS, nullptr, 0) == 0 ? 1 : 0;
    }
    kvCloseAddressBook();
    EXPECT_GE(delivered, 1);
    EXPECT_EQ(without, 0) << "Müller came without the name it keeps";
}

TEST(Server, StoppedMidImportEndsItWithTheCommittedCount) {
    CThrowawayServer server;
    auto admin = [&](std::vector<std::string> args, CProcessRunner::COptions options = {}) {
        args.insert(args.begin(), {"--database", server.Uri()});
        return CProcessRunner::Run(KELVO_TEST_ADMIN, args, options);
    };
    ASSERT_EQ(admin({"user", "add", "alice", "--password", "pw", "--allow-weak"}).status, 0);
    CImportFile file(AdminProcessBase::AddressFile(0, 200000), false);
    CProcessRunner::COptions options;
    options.setEnv = {{"KELVO_BATCH_MS", "20"}};
    CProcessRunner::CResult result;
    std::thread import([&] {
        result = admin({"import", "addresses", "--owner", "alice", file.Path()}, options);
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (CountOn(server.Uri(), "addresses") < 2000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(server.Pause());
    import.join();
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_NE(result.err.find("stopped: "), std::string::npos) << result.err;
    size_t end = result.err.find(" address records were committed before the failure");
    ASSERT_NE(end, std::string::npos) << result.err;
    size_t start = result.err.rfind(' ', end - 1) + 1;
    long committed = std::stol(result.err.substr(start, end - start));

    // A batch whose COMMIT was on its way when the server went may have been
    // stored: the message names it as in doubt, never as committed.
    long inDoubt = 0;
    size_t lost = result.err.find("the connection was lost while ");
    if (lost != std::string::npos)
        inDoubt =
            std::stol(result.err.substr(lost + std::strlen("the connection was lost while ")));

    ASSERT_TRUE(server.Resume());
    long stored = CountOn(server.Uri(), "addresses");
    EXPECT_GE(stored, committed) << "what was committed survived";
    EXPECT_LE(stored, committed + inDoubt) << result.err;
    EXPECT_GE(committed, 2000);
    auto dump = admin({"dump", "addresses", "--owner", "alice"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(static_cast<long>(std::count(dump.out.begin(), dump.out.end(), '\n')) - 1, stored);
}

TEST(Server, CopyMovesAWholeGroupwareBothWays) {
    CTempDatabase file("sqlite");
    auto run = [](const std::string& database, std::vector<std::string> args) {
        args.insert(args.begin(), {"--database", database});
        return CProcessRunner::Run(KELVO_TEST_ADMIN, args);
    };
    ASSERT_EQ(run(file.Path(), {"demo"}).status, 0);
    CImportFile more(AdminProcessBase::AddressFile(0, 500), false);
    ASSERT_EQ(run(file.Path(), {"import", "addresses", "--owner", "guest09", more.Path()}).status,
              0);
    auto dumps = [&](const std::string& database) {
        std::string all;
        for (const char* kind : {"users", "board"})
            all += run(database, {"dump", kind}).out;
        for (const char* owner : {"guest09", "山田太郎"})
            for (const char* kind : {"schedules", "addresses"})
                all += run(database, {"dump", kind, "--owner", owner}).out;
        return all;
    };
    const std::string original = dumps(file.Path());

    CTempDatabase server("postgresql");
    auto there = run(file.Path(), {"copy", "--to", server.Path()});
    ASSERT_EQ(there.status, 0) << there.err;
    EXPECT_NE(there.out.find("7 users"), std::string::npos) << there.out;
    EXPECT_NE(there.out.find("506 addresses"), std::string::npos) << there.out;
    EXPECT_EQ(dumps(server.Path()), original);
    EXPECT_EQ(run(file.Path(), {"copy", "--to", server.Path()}).status, 1)
        << "only into an empty one";

    CTempDatabase back("sqlite");
    ASSERT_EQ(run(server.Path(), {"copy", "--to", back.Path()}).status, 0);
    EXPECT_EQ(dumps(back.Path()), original);
    // New entries are numbered after the copied ones.
    CImportFile newer(AdminProcessBase::AddressFile(500, 3), false);
    ASSERT_EQ(
        FirstLine(
            run(server.Path(), {"import", "addresses", "--owner", "guest09", newer.Path()}).out),
        "stored 3 address records\n");
    EXPECT_EQ(server.Query("SELECT count(DISTINCT id) FROM addresses"),
              std::vector<std::string>{"509"});
}

TEST(Server, CredentialsAppearInNoMessage) {
    CTempDatabase database("postgresql");
    // The administrator's URI holds the password, as an office's may.
    const std::string uri = database.Path();
    const size_t start = uri.find("://kelvo:") + 9, at = uri.find('@');
    ASSERT_NE(at, std::string::npos);
    const std::string secret = uri.substr(start, at - start);
    const std::string asParameter =
        "postgresql://kelvo@" + uri.substr(at + 1) + "&password=" + secret;
    std::string seen;
    auto run = [&](const std::string& target, std::vector<std::string> args) {
        args.insert(args.begin(), {"--database", target});
        auto result = CProcessRunner::Run(KELVO_TEST_ADMIN, args);
        seen += result.out + result.err;
        return result.status;
    };
    EXPECT_EQ(run(uri, {"init"}), 0);
    EXPECT_EQ(run(uri, {"demo"}), 0);
    CImportFile file("姓\r\n佐藤\r\n");
    EXPECT_EQ(run(uri, {"import", "addresses", "--owner", "nobody", file.Path()}), 1);
    // The same server at a port where nobody listens.
    std::string unreachable = uri;
    size_t port = unreachable.find("localhost:") + 10;
    unreachable.replace(port, unreachable.find_first_not_of("0123456789", port) - port, "1");
    EXPECT_EQ(run(unreachable, {"init"}), 1);
    EXPECT_EQ(run(asParameter, {"dump", "users"}), 0);
    // However the parameter's name is written, it is redacted; and --database
    // holding a password is warned of (ps shows it to everyone).
    // (libpq takes the first and the last; a name in other case it refuses.)
    for (const char* name : {"%70assword", "PassWord", "pass%77ord"}) {
        std::string spelled = asParameter;
        spelled.replace(spelled.rfind("password="), 8, name);
        auto result =
            CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", spelled, "user", "list"});
        EXPECT_EQ(result.status, std::string(name) == "PassWord" ? 1 : 0) << name << result.err;
        EXPECT_NE(result.err.find("warning: --database holds a password"), std::string::npos)
            << name << ": " << result.err;
        seen += result.out + result.err;
        std::string shown(spelled.size() + 1, '\0');
        ASSERT_TRUE(
            kvAdminShownLocation(spelled.c_str(), shown.data(), static_cast<int>(shown.size())));
        seen += shown.c_str();
    }
    auto quiet = CProcessRunner::Run(
        KELVO_TEST_ADMIN,
        {"--database",
         CTempDatabase::ServerUri().substr(0, uri.find("://") + 3) + uri.substr(at + 1),
         "--version"});
    EXPECT_EQ(quiet.err.find("warning"), std::string::npos) << "no password, no warning";

    // In the library: the location it names, its monitor lines, its reasons.
    setenv("KELVO_DATABASE", asParameter.c_str(), 1);
    ASSERT_TRUE(kvAdminOpenDatabase());
    char text[4096];
    kvAdminDatabasePath(text, sizeof(text));
    seen += text;
    kvShutdown();
    setenv("KELVO_DATABASE", unreachable.c_str(), 1);
    EXPECT_FALSE(kvAdminOpenDatabase());
    kvLastError(text, sizeof(text));
    seen += text;
    while (kvReadMonitorLine(text, sizeof(text)))
        seen += std::string(text) + "\n";
    setenv("KELVO_DATABASE", database.Path().c_str(), 1);
    EXPECT_NE(seen.find("cannot be opened"), std::string::npos) << seen;
    EXPECT_EQ(seen.find(secret), std::string::npos) << seen;
}

TEST(Server, WaitsForTheServerDoNotGrowWithTheRecords) {
    CTempDatabase database("postgresql");
    auto import = [](const char* owner, int count) {
        long long before = kvAdminRoundTrips();
        EXPECT_TRUE(kvOpenAddressBook(owner, -1, 0, 0, 0));
        EXPECT_TRUE(kvBeginAddressUpdate(owner));
        for (int i = 0; i < count; ++i) {
            std::string n = std::to_string(i);
            kvAddressRecord record = CTestRecords::Address(owner, "L" + n, "F" + n, "C");
            if (kvFindDuplicateAddress(nullptr, 0, record.lastName, record.firstName,
                                       record.company))
                EXPECT_TRUE(kvUpdateAddress(&record));
            else
                EXPECT_TRUE(kvAddAddress(&record));
        }
        EXPECT_TRUE(kvEndAddressUpdate());
        kvCloseAddressBook();
        return kvAdminRoundTrips() - before;
    };
    long long small = import("alice", 500);
    long long large = import("bob", 5000);
    // IDs come in blocks of 1024: the larger import reserves a few more.
    EXPECT_LE(large, small + 5) << small << " round trips for 500 records";
    EXPECT_LE(import("bob", 5000), large + 2) << "a second import (all duplicates) as well";

    long long before = kvAdminRoundTrips();
    ASSERT_TRUE(kvOpenAddressBook("bob", -1, 0, 0, 0));
    auto record = std::make_unique<kvAddressRecord>();
    int listed = 0;
    while (kvNextAddress(record.get(), 1))
        ++listed;
    kvCloseAddressBook();
    EXPECT_EQ(listed, 5000);
    EXPECT_LE(kvAdminRoundTrips() - before, 3) << "a list comes in large chunks";
}

// A server that stops answering (its backend stopped mid-import, or a port
// that takes connections and says nothing) is given up on with a reason and
// the committed count, instead of hanging for ever.
TEST(SilentServer, IsGivenUpOnWithAReason) {
    // A listener that never accepts: the handshake completes, nobody answers.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    auto silent = CProcessRunner::Run(
        KELVO_TEST_ADMIN, {"--database",
                           "postgresql://kelvo@127.0.0.1:" +
                               std::to_string(ntohs(address.sin_port)) + "/kelvo?connect_timeout=1",
                           "init"});
    close(listener);
    EXPECT_EQ(silent.status, 1);
    // libpq takes a bound below 2 s as 2.
    EXPECT_NE(silent.err.find("the server did not answer within 2 s"), std::string::npos)
        << silent.err;

    // A backend stopped part-way through an import: the client's own wait ends it.
    CTempDatabase database("postgresql");
    CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", database.Path(), "user", "add", "alice",
                                           "--password", "pw", "--allow-weak"});
    std::string uri = database.Path();
    const std::string searchPath = "options=-c%20search_path%3D";
    size_t at = uri.find(searchPath);
    ASSERT_NE(at, std::string::npos);
    uri.insert(uri.find_first_of("&", at) == std::string::npos ? uri.size()
                                                               : uri.find_first_of("&", at),
               "%20-c%20statement_timeout%3D500");
    const std::string name = "kelvo_silent_" + std::to_string(getpid());
    // The import may be waiting for an answer (the client's own wait ends it)
    // or sending rows the stopped server no longer takes (TCP's user timeout
    // ends that): both shortened here, as a URI may.
    uri += "&application_name=" + name + "&tcp_user_timeout=2000";
    std::string text = CTestRecords::Sjis("姓\t名\t会社名\r\n");
    // Far more than it can store before it is stopped, however busy the machine.
    for (int i = 0; i < 1000000; ++i)
        text += "L" + std::to_string(i) + "\tF\tC\r\n";
    CImportFile file(text, false);
    CProcessRunner::COptions options;
    options.setEnv["KELVO_BATCH_MS"] = "100";
    CProcessRunner::CResult result;
    std::thread import([&] {
        result = CProcessRunner::Run(
            KELVO_TEST_ADMIN,
            {"--database", uri, "import", "addresses", "--owner", "alice", file.Path()}, options);
    });
    long backend = 0;
    // Long enough for the sanitizer's build beside a package build: only a
    // bound on how long to look for the first commit.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (backend == 0 && std::chrono::steady_clock::now() < deadline) {
        std::vector<std::string> rows =
            database.Query("SELECT a.pid FROM pg_stat_activity a WHERE a.application_name = '" +
                           name + "' AND (SELECT count(*) FROM addresses) > 0");
        if (!rows.empty())
            backend = std::stol(rows[0]);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(backend, 0) << "the import never committed";
    ASSERT_EQ(kill(static_cast<pid_t>(backend), SIGSTOP), 0);
    auto stopped = std::chrono::steady_clock::now();
    import.join();
    kill(static_cast<pid_t>(backend), SIGCONT);
    database.Query("SELECT pg_terminate_backend(" + std::to_string(backend) + ")");
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(15));
    EXPECT_EQ(result.status, 1);
    // Given up on by the client's wait for an answer (0.5 s * 1.5 + 1 s), or by
    // TCP while rows were being sent (2 s): said the same way, with the bound.
    EXPECT_TRUE(result.err.find("the server did not answer within 1.8 s") != std::string::npos ||
                result.err.find("the server did not answer within 2 s") != std::string::npos)
        << result.err;
    for (const std::string& other :
         {std::string("SSL"), std::string("EOF"), std::string(std::strerror(ETIMEDOUT))})
        EXPECT_EQ(result.err.find(other), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("committed before the failure"), std::string::npos) << result.err;
}

// After the server restarts, the first list opened connects again and works:
// no failure that only a second try would mend.
TEST(Server, FirstListAfterARestartWorks) {
    CThrowawayServer server;
    setenv("KELVO_DATABASE", server.Uri().c_str(), 1);
    kvUserRecord alice = CTestRecords::User("alice", "", {}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&alice));
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord meeting = CTestRecords::Schedule("alice", "meeting", 2026, 12, 9, 10, 0);
    ASSERT_TRUE(kvAddSchedule(&meeting, 0));
    ASSERT_TRUE(kvCloseSchedules());
    ASSERT_TRUE(server.Pause());
    ASSERT_TRUE(server.Resume());
    auto record = std::make_unique<kvScheduleRecord>();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(kvOpenUsers("", nullptr, 0));
        auto user = std::make_unique<kvUserRecord>();
        EXPECT_TRUE(kvNextUser(user.get(), 1)) << round;
        kvCloseUsers();
        ASSERT_TRUE(kvOpenSchedules("alice", ""));
        EXPECT_TRUE(kvNextSchedule(record.get(), 1)) << round;
        kvCloseSchedules();
        // Again, with the list the restart finds.
        ASSERT_TRUE(server.Pause());
        ASSERT_TRUE(server.Resume());
    }
    kvShutdown();
    unsetenv("KELVO_DATABASE");
}

// Waits for another writer: one that holds its lock too long is said with
// the bound; one that stops in the middle of its transaction (a desktop
// suspended, a process stopped) is ended by the server well within the lock
// bound, so that the next writer of the same owner gets in, and is told why
// when it goes on.
TEST(Server, AStoppedWriterFreesItsOwnersLockForTheNext) {
    CTempDatabase database("postgresql");
    auto admin = [&](std::vector<std::string> args, const char* busy) {
        args.insert(args.begin(), {"--database", database.Path()});
        CProcessRunner::COptions options;
        options.setEnv["KELVO_BUSY_TIMEOUT"] = busy;
        return CProcessRunner::Run(KELVO_TEST_ADMIN, args, options);
    };
    ASSERT_EQ(admin({"user", "add", "alice", "--password", "alice-password"}, "15000").status, 0);
    CImportFile file(AdminProcessBase::AddressFile(0, 3), false);

    // A session that holds alice's lock and goes on holding it.
    CServerSession holder(database.Path());
    ASSERT_EQ(holder.Run("BEGIN"), "");
    ASSERT_EQ(holder.Run("SELECT kv_lock('addresses', convert_to('alice', 'UTF8'))"), "");
    auto refused = admin({"import", "addresses", "--owner", "alice", file.Path()}, "300");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("another writer did not release the lock within 0.3 s"),
              std::string::npos)
        << refused.err;
    holder.Run("ROLLBACK");

    // A desktop signed in as alice stops while it holds the lock.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    pid_t desktop = fork();
    if (desktop == 0) {
        close(report[0]);
        setenv("KELVO_DATABASE", database.PeopleUri().c_str(), 1);
        setenv("KELVO_BUSY_TIMEOUT", "1500", 1); // the server bears 1 s of its silence
        kvAddressRecord record = CTestRecords::Address("alice", "Stopped", "Desk", "");
        if (!kvCheckPassword("alice", "alice-password") ||
            !kvOpenAddressBook("alice", -1, 0, 0, 0) || !kvBeginAddressUpdate("alice") ||
            kvFindDuplicateAddress(nullptr, 0, record.lastName, record.firstName, record.company))
            _exit(2);
        raise(SIGSTOP);
        const bool stored = kvAddAddress(&record) && kvEndAddressUpdate();
        char reason[KV_MONITOR_LINE_SIZE] = "";
        kvLastError(reason, sizeof(reason));
        ssize_t written = write(report[1], reason, std::strlen(reason));
        _exit(stored || written < 0 ? 3 : 0);
    }
    close(report[1]);
    int status = 0;
    ASSERT_EQ(waitpid(desktop, &status, WUNTRACED), desktop);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the desktop could not sign in and write: " << status;
    // The next writer waits up to 8 s; the stopped one's session ends after 1 s.
    auto next = admin({"import", "addresses", "--owner", "alice", file.Path()}, "8000");
    EXPECT_EQ(next.status, 0) << next.err;
    kill(desktop, SIGCONT);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = read(report[0], buffer, sizeof(buffer))) > 0;)
        reason.append(buffer, static_cast<size_t>(got));
    close(report[0]);
    ASSERT_EQ(waitpid(desktop, &status, 0), desktop);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(reason.find("this program did not go on within 1 s inside a transaction, and the "
                          "server ended its session"),
              std::string::npos)
        << reason;
    EXPECT_EQ(database.Count("addresses"), 3) << "the import's, not the stopped desktop's";
}
