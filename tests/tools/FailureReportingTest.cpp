// kelvo-admin never reports a failure as a success: locked and full databases,
// damaged files, concurrent imports, refused owners and passwords, foreign
// databases, paths and streams, each through real processes.
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "AdminProcessTest.h"

namespace {

using FailureReporting = FileAdminTest;
using ImportRules = AdminProcessTest;
KELVO_ON_BOTH_ENGINES(ImportRules);

// The number that ends just before marker in text, or -1.
long NumberBefore(const std::string& text, const std::string& marker) {
    size_t end = text.find(marker);
    size_t start = end;
    while (start != std::string::npos && start > 0 && std::isdigit(text[start - 1]))
        --start;
    return start == end ? -1 : std::stol(text.substr(start, end - start));
}

// The count in "... N address records were committed before the failure".
long CommittedIn(const std::string& message) {
    return NumberBefore(message, " address records were committed before the failure");
}

std::string Calendar(int count) {
    std::string text = CTestRecords::Sjis("件名\t開始日\t開始時刻\t終日ｲﾍﾞﾝﾄ\r\n");
    for (int i = 0; i < count; ++i)
        text += "T" + std::to_string(i) + "\t2026/" + std::to_string(1 + i % 12) + "/" +
                std::to_string(1 + i % 28) + "\t" + std::to_string(i % 24) + ":" +
                std::to_string(i % 60) + ":00\tFALSE\r\n";
    return text;
}

} // namespace

TEST_F(FailureReporting, LockedDatabaseEndsTheImportWithTheCommittedCount) {
    InitWithUsers();
    CProcessRunner::COptions options;
    options.setEnv = {{"KELVO_BUSY_TIMEOUT", "300"}};
    // Another program holds the write lock longer than the import waits.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &other), SQLITE_OK);
    sqlite3_busy_timeout(other, 10000);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    CImportFile small(AddressFile(0, 5), false);
    // Five records attempted, none committed: the count printed is the committed one.
    auto blocked = Admin({"import", "addresses", "--owner", "alice", small.Path()}, options);
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find("another writer did not release the lock within 0.3 s"),
              std::string::npos)
        << blocked.err;
    EXPECT_NE(blocked.err.find(m_database.Path()), std::string::npos) << "which database";
    EXPECT_EQ(CommittedIn(blocked.err), 0) << blocked.err;
    EXPECT_TRUE(blocked.out.empty()) << blocked.out;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Count("addresses"), 0);

    // Once the other writer is gone the same import goes through.
    auto again = Admin({"import", "addresses", "--owner", "alice", small.Path()}, options);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(FirstLine(again.out), "stored 5 address records\n");
}

// A write that fails part-way (the file size limit acts as a full disk): the
// reason survives the close, and the count printed is what the database holds.
TEST_F(FailureReporting, FullDiskKeepsTheReasonAndTheCount) {
    InitWithUsers();
    CImportFile file(AddressFile(0, 40000), false);
    CProcessRunner::COptions options;
    options.setEnv = {{"KELVO_BATCH_MS", "20"}};
    // Files may not grow past 2 MB: writes fail as on a full disk.
    options.inChild = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{2 << 20, 2 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    auto result = Admin({"import", "addresses", "--owner", "alice", file.Path()}, options);
    EXPECT_EQ(result.status, 1);
    // ENOSPC reads "database or disk is full", the size limit "disk I/O error".
    size_t reason = result.err.find("stopped: ");
    EXPECT_TRUE(reason != std::string::npos &&
                (result.err.find("disk is full", reason) != std::string::npos ||
                 result.err.find("disk I/O error", reason) != std::string::npos))
        << result.err;
    int stored = Count("addresses");
    EXPECT_GT(stored, 0);
    EXPECT_EQ(CommittedIn(result.err), stored) << result.err;
    EXPECT_EQ(Query("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

TEST_F(FailureReporting, DumpOfADamagedDatabaseEndsWithTheReason) {
    InitWithUsers();
    std::string text = CTestRecords::Sjis("姓\tﾒﾓ\r\n");
    for (int i = 0; i < 3000; ++i)
        text += "L" + std::to_string(i) + "\t" + std::string(1500, 'm') + "\r\n";
    CImportFile file(text, false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", file.Path()}).status, 0);
    {
        // Overwrite pages near the end of the file (the last entries' pages).
        std::fstream db(m_database.Path(), std::ios::in | std::ios::out | std::ios::binary);
        db.seekg(0, std::ios::end);
        std::streamoff size = db.tellg();
        db.seekp(size * 9 / 10);
        std::string garbage(64 * 1024, '\x55');
        db.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    auto dump = Admin({"dump", "addresses", "--owner", "alice"});
    EXPECT_EQ(dump.status, 1) << dump.out.size();
    EXPECT_NE(dump.err.find("malformed"), std::string::npos) << dump.err;
    long rows = std::count(dump.out.begin(), dump.out.end(), '\n') - 1;
    EXPECT_EQ(NumberBefore(dump.err, " records: "), rows) << "the rows read before it are printed";
    EXPECT_LT(rows, 3000);
}

TEST_P(ImportRules, ConcurrentDuplicateCheckedImportsStoreEachRecordOnce) {
    const int count = 1500;
    CImportFile file(Calendar(count), false);
    CProcessRunner::COptions options;
    // Short batches open many gaps between one commit and the next lookup (on
    // the server each batch also waits for the owner's lock: a little longer there).
    options.setEnv = {{"KELVO_BATCH_MS", GetParam() == "sqlite" ? "2" : "100"}};
    for (int processes : {2, 4, 8}) {
        // Each round on an empty schedule table.
        if (processes > 2)
            Query("DELETE FROM schedules");
        else
            InitWithUsers();
        std::vector<std::thread> imports;
        std::vector<int> statuses(static_cast<size_t>(processes), -1);
        for (int i = 0; i < processes; ++i)
            imports.emplace_back([&, i] {
                statuses[static_cast<size_t>(i)] = Admin({"import", "schedules", "--owner", "alice",
                                                          "--duplicate-check", file.Path()},
                                                         options)
                                                       .status;
            });
        for (std::thread& import : imports)
            import.join();
        EXPECT_EQ(statuses, std::vector<int>(static_cast<size_t>(processes), 0));
        EXPECT_EQ(Query("SELECT count(*), count(DISTINCT title) FROM schedules"),
                  std::vector<std::string>{std::to_string(count) + "\t" + std::to_string(count)})
            << processes << " importers";
    }
}

TEST_P(ImportRules, OwnersMustBeUsersAndPasswordsAreNeverRepeated) {
    InitWithUsers();
    CImportFile file("姓\r\n佐藤\r\n");
    for (const char* owner : {"", "nosuchuser"}) {
        auto result = Admin({"import", "addresses", "--owner", owner, file.Path()});
        EXPECT_EQ(result.status, 1) << owner;
        EXPECT_NE(result.err.find(*owner ? "is not a user" : "--owner is empty"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(Count("addresses"), 0);

    const std::string emoji = "s3cr\xF0\x9F\x98\x80t";
    const std::string longer(300, 'p');
    auto added = Admin({"user", "add", "carol", "--password", emoji});
    EXPECT_EQ(added.status, 1);
    EXPECT_NE(added.err.find("password"), std::string::npos) << added.err;
    EXPECT_EQ(added.err.find("s3cr"), std::string::npos) << "never the password itself";
    CProcessRunner::COptions input;
    input.input = longer + "\n";
    auto changed = Admin({"user", "passwd", "alice"}, input);
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.err.find("longer than 255 bytes"), std::string::npos) << changed.err;
    EXPECT_EQ(changed.err.find("ppp"), std::string::npos) << changed.err;
}

TEST_F(FailureReporting, ForeignAndNewerDatabasesAreLeftUnchanged) {
    const std::string other = m_database.Folder() + "/other.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(x); INSERT INTO notes VALUES ('keep me')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = bytes(other);
    auto result = CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", other, "init"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("is not a kelvo groupware database"), std::string::npos)
        << result.err;
    EXPECT_EQ(bytes(other), before);
    EXPECT_FALSE(std::filesystem::exists(other + "-wal")) << "not switched to WAL";

    ASSERT_EQ(Admin({"init"}).status, 0);
    ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    auto newer = Admin({"user", "add", "alice", "--password", "pw", "--allow-weak"});
    EXPECT_EQ(newer.status, 1);
    EXPECT_NE(newer.err.find("newer"), std::string::npos) << newer.err;
    EXPECT_EQ(Query("SELECT count(*) FROM users"), std::vector<std::string>{"0"});
}

TEST_F(FailureReporting, DatabaseArgumentsArePlainFilePaths) {
    CProcessRunner::COptions here;
    here.directory = m_database.Folder();
    for (const std::string name : {":memory:", "./file:y.db"}) {
        auto added = CProcessRunner::Run(
            KELVO_TEST_ADMIN,
            {"--database", name, "user", "add", "alice", "--password", "pw", "--allow-weak"}, here);
        ASSERT_EQ(added.status, 0) << added.err;
        auto listed =
            CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", name, "user", "list"}, here);
        EXPECT_EQ(listed.out, "alice\n") << name << " kept what was written";
        EXPECT_GT(std::filesystem::file_size(m_database.Folder() + "/" + name), 0u) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(m_database.Folder() + "/y.db"));
    // Written as a URI, it is no file name (SQLite's URIs are not taken either).
    auto uri = CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", "file:z.db", "init"}, here);
    EXPECT_EQ(uri.status, 1);
    EXPECT_FALSE(std::filesystem::exists(m_database.Folder() + "/file:z.db"));
    EXPECT_FALSE(std::filesystem::exists(m_database.Folder() + "/z.db"));

    CProcessRunner::COptions homeless;
    homeless.directory = m_database.Folder();
    homeless.unsetEnv = {"HOME", "XDG_DATA_HOME", "KELVO_DATABASE"};
    auto init = CProcessRunner::Run(KELVO_TEST_ADMIN, {"init"}, homeless);
    EXPECT_EQ(init.status, 1);
    EXPECT_NE(init.err.find("no database is configured"), std::string::npos) << init.err;

    // An empty location (a script's variable that held nothing) is refused,
    // never taken for the person's own default groupware.
    CProcessRunner::COptions empty;
    empty.setEnv = {{"HOME", m_database.Folder()}, {"XDG_DATA_HOME", m_database.Folder()}};
    auto option = CProcessRunner::Run(KELVO_TEST_ADMIN, {"--database", "", "init"}, empty);
    EXPECT_EQ(option.status, 1);
    EXPECT_NE(option.err.find("--database is empty"), std::string::npos) << option.err;
    empty.setEnv["KELVO_DATABASE"] = "";
    auto variable = CProcessRunner::Run(KELVO_TEST_ADMIN, {"init"}, empty);
    EXPECT_EQ(variable.status, 1);
    EXPECT_NE(variable.err.find("KELVO_DATABASE is set but empty"), std::string::npos)
        << variable.err;
    EXPECT_FALSE(std::filesystem::exists(m_database.Folder() + "/kelvo")) << "no default made";
}

TEST_F(FailureReporting, StreamsImportAndOtherEncodingsAreNamed) {
    InitWithUsers();
    CImportFile file(AddressFile(0, 3), false);
    // A process substitution: the file arrives through a pipe.
    auto piped = CProcessRunner::Run(
        "/bin/bash", {"-c", std::string(KELVO_TEST_ADMIN) + " --database '" + m_database.Path() +
                                "' import addresses --owner alice <(cat '" + file.Path() + "')"});
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(FirstLine(piped.out), "stored 3 address records\n");

    // A FIFO: with a writer it is read to its end; without one it cannot hang.
    // The writer is there before the import opens the FIFO, the data waiting
    // in it, and leaves once the import has read all of it (a handshake on the
    // bytes unread, not a sleep): kept by the test, not inherited by the import.
    const std::string fifo = m_database.Folder() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int written = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(written, 0);
    const std::string data = AddressFile(10, 2);
    ASSERT_EQ(write(written, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    std::atomic<bool> imported{false};
    std::thread writer([&] {
        for (int unread = 1; unread > 0 && !imported;) {
            if (ioctl(written, FIONREAD, &unread) != 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // polled, not waited on
        }
        close(written); // the import reads the end of the file
    });
    auto fed = Admin({"import", "addresses", "--owner", "alice", fifo});
    imported = true;
    writer.join();
    EXPECT_EQ(FirstLine(fed.out), "stored 2 address records\n") << fed.err;
    auto alone = Admin({"import", "addresses", "--owner", "alice", fifo});
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(Count("addresses"), 5);

    CImportFile utf16(std::string("\xFF\xFE", 2) + std::string("L\0a\0s\0t\0\r\0\n\0", 12), false);
    auto refused = Admin({"import", "addresses", "--owner", "alice", utf16.Path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("read as UTF-16 (little-endian)"), std::string::npos)
        << "a refused file says how it was read: " << refused.err;
}

TEST_F(FailureReporting, ProgramsFindTheirLibraryRelativeToThemselves) {
    auto dynamic = CProcessRunner::Run("/usr/bin/readelf", {"-d", KELVO_TEST_ADMIN});
    ASSERT_EQ(dynamic.status, 0) << dynamic.err;
    size_t path = dynamic.out.find("RUNPATH");
    if (path == std::string::npos)
        path = dynamic.out.find("RPATH");
    ASSERT_NE(path, std::string::npos) << dynamic.out;
    size_t open = dynamic.out.find('[', path), close = dynamic.out.find(']', path);
    // Beside the program (the build) and the program's own lib/kelvo-view/ beside
    // bin/ (an installation); no absolute path and no empty entry, which would
    // mean the working folder.
    EXPECT_EQ(dynamic.out.substr(open + 1, close - open - 1), "$ORIGIN:$ORIGIN/../lib/kelvo-view")
        << dynamic.out;
}

// Output that does not reach standard output (a full disk, /dev/full) ends
// the command with status 1, saying how far it got; an export to FILE leaves
// nothing of itself.
TEST_F(FailureReporting, OutputThatCannotBeWrittenIsNoSuccess) {
    InitWithUsers();
    const int count = 3000;
    CImportFile file(AddressFile(0, count), false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "alice", file.Path()}).status, 0);
    auto into = [](const std::string& path, rlim_t limit) {
        CProcessRunner::COptions options;
        options.inChild = [path, limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, STDOUT_FILENO);
            rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        };
        return options;
    };
    const std::string full = std::strerror(ENOSPC);
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"export", "addresses", "--owner", "alice"},
             {"export", "addresses", "--owner", "alice", "--format", "outlook"},
             {"dump", "addresses", "--owner", "alice"},
             {"user", "list"},
             {"--help"}}) {
        auto result = Admin(command, into("/dev/full", RLIM_INFINITY));
        EXPECT_EQ(result.status, 1) << command[0];
        EXPECT_NE(result.err.find("standard output cannot be written"), std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find(full), std::string::npos) << result.err;
    }

    // A disk that fills part-way: the entries taken before are counted.
    const std::string out = m_database.Folder() + "/out";
    for (const char* kind : {"export", "dump"}) {
        auto cut = Admin({kind, "addresses", "--owner", "alice"}, into(out, 64 * 1024));
        EXPECT_EQ(cut.status, 1) << kind;
        const long taken =
            NumberBefore(cut.err, kind == std::string("dump") ? " records: " : " entries: ");
        EXPECT_GT(taken, 0) << cut.err;
        EXPECT_LT(taken, count) << cut.err;
        EXPECT_NE(cut.err.find(std::strerror(EFBIG)), std::string::npos) << cut.err;
    }

    // Into FILE: refused with FILE's name, and neither FILE nor a part of it stays.
    const std::string target = m_database.Folder() + "/backup.vcf";
    CProcessRunner::COptions limited;
    limited.inChild = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit size{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &size);
    };
    auto refused = Admin({"export", "addresses", "--owner", "alice", target}, limited);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(target + " cannot be written after "), std::string::npos)
        << refused.err;
    for (const auto& entry : std::filesystem::directory_iterator(m_database.Folder()))
        EXPECT_EQ(entry.path().filename().string().find("backup.vcf"), std::string::npos)
            << entry.path();
}
