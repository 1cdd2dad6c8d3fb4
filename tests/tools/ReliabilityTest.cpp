#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "AdminProcessTest.h"

namespace {

pid_t Start(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KELVO_TEST_ADMIN));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(KELVO_TEST_ADMIN, argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

using Reliability = FileAdminTest;
using Writers = AdminProcessTest;
KELVO_ON_BOTH_ENGINES(Writers);

} // namespace

TEST_F(Reliability, KilledImportLeavesWholeRecordsAndASecondRunCompletesTheSet) {
    const int count = 60000;
    CImportFile file(AddressFile(0, count), false);
    InitWithUsers();
    // Batches of 20 ms: the import commits many times before it ends.
    setenv("KELVO_BATCH_MS", "20", 1);
    pid_t pid = Start(
        {"--database", m_database.Path(), "import", "addresses", "--owner", "alice", file.Path()});
    unsetenv("KELVO_BATCH_MS");
    // Kill it once some batches are committed, well before the end.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count("addresses") < 2000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), -SIGKILL);

    EXPECT_EQ(Query("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    std::vector<std::string> torn = Query(
        "SELECT count(*) FROM (SELECT CAST(last_name AS TEXT) AS l, CAST(first_name AS TEXT) AS f, "
        "CAST(company AS TEXT) AS c, CAST(memo AS TEXT) AS m, CAST(owner AS TEXT) AS o "
        "FROM addresses) WHERE l NOT LIKE 'L%' OR f != 'F' || substr(l, 2) OR "
        "c != 'C' || substr(l, 2) OR m != 'M' || substr(l, 2) || char(10) || 'M' || substr(l, 2) "
        "OR o != 'alice'");
    EXPECT_EQ(torn, std::vector<std::string>{"0"}) << "every stored record is whole";
    int stored = std::stoi(Query("SELECT count(*) FROM addresses")[0]);
    EXPECT_GE(stored, 2000) << "what was committed survives";
    EXPECT_LT(stored, count) << "killed part-way";

    auto again =
        Admin({"import", "addresses", "--owner", "alice", "--duplicate-check", file.Path()});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Query("SELECT count(*), count(DISTINCT last_name) FROM addresses"),
              std::vector<std::string>{std::to_string(count) + "\t" + std::to_string(count)});
}

TEST_P(Writers, AnImportKilledMidwayIsTakenBackToWhatWasBefore) {
    InitWithUsers();
    CImportFile held(AddressFile(0, 3000), false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", held.Path()}).status, 0);
    const std::string before = Admin({"dump", "addresses", "--owner", "alice"}).out;
    // The same names with other memos: the duplicate check replaces the 3,000
    // held entries first, then adds; the kill comes among the added ones.
    std::string changed = AddressFile(0, 40000);
    for (size_t at = changed.find("\"M"); at != std::string::npos; at = changed.find("\"M", at))
        changed[++at] = 'N';
    CImportFile file(changed, false);
    setenv("KELVO_BATCH_MS", "20", 1);
    pid_t pid = Start({"--database", m_database.Path(), "import", "addresses", "--owner", "alice",
                       "--duplicate-check", file.Path()});
    unsetenv("KELVO_BATCH_MS");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count("addresses") < 5000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), -SIGKILL);
    const long stored = Count("addresses");
    ASSERT_LT(stored, 43000) << "killed part-way";

    auto imports = Admin({"imports"});
    EXPECT_NE(imports.out.find("\tcut short"), std::string::npos) << imports.out;
    auto undo = Admin({"import", "undo", "2"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(undo.out, "import 2 taken back: removed " + std::to_string(stored - 3000) +
                            " added entries, put back 3000\n")
        << "exactly what was committed";
    EXPECT_EQ(Admin({"dump", "addresses", "--owner", "alice"}).out, before);
}

TEST_P(Writers, TwoAtOnceLoseNothing) {
    const int count = 15000;
    CImportFile first(AddressFile(0, count), false);
    CImportFile second(AddressFile(count, count), false);
    InitWithUsers();
    pid_t a = Start(
        {"--database", m_database.Path(), "import", "addresses", "--owner", "alice", first.Path()});
    pid_t b = Start(
        {"--database", m_database.Path(), "import", "addresses", "--owner", "bob", second.Path()});
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);
    EXPECT_EQ(
        Query("SELECT count(*), count(DISTINCT last_name) FROM addresses"),
        std::vector<std::string>{std::to_string(2 * count) + "\t" + std::to_string(2 * count)});
    EXPECT_EQ(Query("SELECT count(*) FROM addresses GROUP BY owner"),
              (std::vector<std::string>{std::to_string(count), std::to_string(count)}));
}

TEST_F(Reliability, BadFilesThroughKelvoAdmin) {
    InitWithUsers();
    auto import = [&](const std::string& path) {
        return Admin({"import", "addresses", "--owner", "alice", path});
    };
    CImportFile empty("");
    EXPECT_EQ(FirstLine(import(empty.Path()).out), "stored 0 address records\n");
    CImportFile headerOnly("姓\t名\r\n");
    EXPECT_EQ(FirstLine(import(headerOnly.Path()).out), "stored 0 address records\n");
    auto directory = import(m_database.Folder());
    EXPECT_EQ(directory.status, 1);
    EXPECT_NE(directory.err.find("Is a directory"), std::string::npos) << directory.err;

    // NUL bytes, bytes that are not code page 932, a 1 MB line, an open value at the end.
    std::string nasty = CTestRecords::Sjis("姓\t名\tﾒﾓ\r\n") + std::string("ab\0cd", 5) +
                        "\tx\xff\x82\r\n" + std::string(1 << 20, 'w') + "\tlong\r\n" +
                        "open\tv\t\"never closed\r\nmore";
    CImportFile bad(nasty, false);
    auto result = import(bad.Path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FirstLine(result.out), "stored 3 address records\n");
    EXPECT_EQ(
        Query("SELECT last_name, length(first_name), length(memo) FROM addresses ORDER BY id"),
        (std::vector<std::string>{"ab\t2\t0", std::string(99, 'w') + "\t4\t0", "open\t1\t4"}))
        << "cut at NULs and field ends, the open value keeps its last partial text";
    // What was cut is kept beside the entry, the NUL escaped (an original is a C text).
    const std::string original = Admin({"dump", "addresses", "--owner", "alice", "--original"}).out;
    EXPECT_NE(original.find("X-KELVO-FIELD;NAME=last_name:ab\\\\0cd"), std::string::npos)
        << original;

    std::string lines = CTestRecords::Sjis("姓\r\n");
    for (int i = 0; i < 200000; ++i)
        lines += "n" + std::to_string(i) + "\r\n";
    CImportFile many(lines, false);
    EXPECT_EQ(FirstLine(import(many.Path()).out), "stored 200000 address records\n");
}

TEST_F(Reliability, UnreadableFileIsRefused) {
    CImportFile file("姓\r\n佐藤\r\n");
    ASSERT_EQ(chmod(file.Path().c_str(), 0), 0);
    InitWithUsers();
    ASSERT_EQ(chmod(m_database.Folder().c_str(), 0777), 0);
    // Root reads anything: the refusal is seen by running as nobody.
    pid_t pid = fork();
    if (pid == 0) {
        if (getuid() == 0 && setuid(65534) != 0)
            _exit(99);
        freopen("/dev/null", "w", stderr);
        execl(KELVO_TEST_ADMIN, KELVO_TEST_ADMIN, "--database", m_database.Path().c_str(), "import",
              "addresses", "--owner", "alice", file.Path().c_str(), nullptr);
        _exit(127);
    }
    EXPECT_EQ(Wait(pid), 1);
    EXPECT_EQ(Query("SELECT count(*) FROM addresses"), std::vector<std::string>{"0"});
}

// An importer that keeps an owner's duplicate keys reads only what another
// writer of that owner stored in between, not every key again (which made
// importers of one owner take turns one record at a time on the server),
// and still finds those entries.
TEST_P(Writers, KeptKeysTakeInOnlyWhatAnotherWriterStored) {
    InitWithUsers();
    CImportFile first(AddressFile(0, 3000), false), second(AddressFile(5000, 5), false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", first.Path()}).status, 0);
    setenv("KELVO_DATABASE", m_database.Path().c_str(), 1);
    char line[KV_MONITOR_LINE_SIZE];
    const std::string keys = CTestRecords::Sjis("alice のアドレスの重複キーを読みました: ");
    auto keysRead = [&] {
        std::string seen;
        while (kvReadMonitorLine(line, sizeof(line)))
            if (std::string(line).find(keys) != std::string::npos)
                seen += std::string(line).substr(9) + "\n"; // after the time
        return seen;
    };
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    EXPECT_FALSE(kvFindDuplicateAddress(nullptr, 0, "L5000", "F5000", "C5000"));
    EXPECT_EQ(keysRead(), keys + CTestRecords::Sjis("3000 件（すべて）\n"));
    ASSERT_TRUE(kvEndAddressUpdate());

    // Another process stores five entries of alice's meanwhile.
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", second.Path()}).status, 0);
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    EXPECT_TRUE(kvFindDuplicateAddress(nullptr, 0, "L5003", "F5003", "C5003"))
        << "what the other writer stored is found";
    EXPECT_TRUE(kvFindDuplicateAddress(nullptr, 0, "L7", "F7", "C7"));
    EXPECT_EQ(keysRead(), keys + CTestRecords::Sjis("5 件（ほかの書き込みの分）\n"));
    kvAddressRecord again = CTestRecords::Address("alice", "L5003", "F5003", "C5003");
    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "L5003", "F5003", "C5003"));
    ASSERT_TRUE(kvUpdateAddress(&again));
    EXPECT_TRUE(kvCloseAddressBook());
    kvShutdown();
    EXPECT_EQ(Count("addresses"), 3005) << "every entry once";
}

// A writer that waits for the file while a long import runs gets in between
// two of its batches, well within its busy timeout (the importer no longer
// takes the lock again at once after each commit).
TEST_F(Reliability, WriterWaitingOnAnImportGetsInWithinABatch) {
    const int count = 600000;
    CImportFile file(AddressFile(0, count), false);
    InitWithUsers();
    // Batches of 200 ms, and a writer that waits at most two of them.
    setenv("KELVO_BATCH_MS", "200", 1);
    pid_t pid = Start(
        {"--database", m_database.Path(), "import", "addresses", "--owner", "alice", file.Path()});
    unsetenv("KELVO_BATCH_MS");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count("addresses") <= 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    CProcessRunner::COptions options;
    options.setEnv["KELVO_BUSY_TIMEOUT"] = "400";
    for (const char* user : {"carol", "dave", "erin"}) {
        CProcessRunner::CResult added =
            Admin({"user", "add", user, "--password", "pw", "--allow-weak"}, options);
        EXPECT_EQ(added.status, 0) << added.err;
    }
    EXPECT_GT(count, Count("addresses")) << "the import was still running";
    EXPECT_EQ(Wait(pid), 0);
    EXPECT_EQ(Count("addresses"), count);
}

// An export to FILE that a terminal's signal ends takes its temporary file
// along; one that a kill left is recognised and removed by the next export.
TEST_F(Reliability, InterruptedExportLeavesNoTemporaryFile) {
    InitWithUsers();
    CImportFile file(AddressFile(0, 60000), false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", file.Path()}).status, 0);
    const std::string folder = m_database.Folder() + "/out";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string target = folder + "/backup.vcf";
    auto names = [&] {
        std::set<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            found.insert(entry.path().filename().string());
        return found;
    };
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        pid_t pid = Start(
            {"--database", m_database.Path(), "export", "addresses", "--owner", "alice", target});
        // Caught part-way: the temporary file is there, the export not done.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (names().empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kill(pid, SIGSTOP);
        const std::set<std::string> during = names();
        ASSERT_EQ(during.size(), 1u);
        EXPECT_EQ(during.begin()->rfind("backup.vcf.kelvo-export-" + std::to_string(pid) + "-", 0),
                  0u)
            << *during.begin();
        kill(pid, signal);
        kill(pid, SIGCONT);
        EXPECT_EQ(Wait(pid), -signal);
        if (signal != SIGKILL)
            EXPECT_TRUE(names().empty()) << "after signal " << signal;
        else
            EXPECT_EQ(names(), during) << "a kill leaves it";
    }
    auto again = Admin({"export", "addresses", "--owner", "alice", target});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("removed " + folder + "/backup.vcf.kelvo-export-"), std::string::npos)
        << again.err;
    EXPECT_EQ(names(), std::set<std::string>{"backup.vcf"});
}

// Two copies into one empty target at once: one copies, the other finds the
// target not empty, whichever comes second.
TEST_P(Writers, TwoCopiesIntoOneEmptyTargetLeaveOneWhole) {
    InitWithUsers();
    CImportFile file(AddressFile(0, 20000), false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", file.Path()}).status, 0);
    CTempDatabase target(GetParam());
    std::vector<CProcessRunner::CResult> copies(2);
    std::vector<std::thread> running;
    for (auto& copy : copies)
        running.emplace_back([&] { copy = Admin({"copy", "--to", target.Path()}); });
    for (std::thread& thread : running)
        thread.join();
    std::sort(copies.begin(), copies.end(),
              [](const auto& a, const auto& b) { return a.status < b.status; });
    EXPECT_EQ(copies[0].status, 0) << copies[0].err;
    EXPECT_EQ(copies[1].status, 1);
    EXPECT_NE(copies[1].err.find(" is not empty (users)"), std::string::npos) << copies[1].err;
    EXPECT_EQ(target.Count("addresses"), 20000);
}
