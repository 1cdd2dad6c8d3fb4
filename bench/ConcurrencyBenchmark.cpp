// Writers that share a groupware, on each engine, with real kelvo-admin
// processes: four importers of different 100,000-address files for one owner
// and eight importers of one file (duplicate check on), each beside the same
// imports run one after the other; a user added while an import runs; and the
// peak memory of a 1,000,000-address import with the duplicate check.
//   concurrency_benchmark [ROWS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BenchFolder.h"
#include "ThrowawayServer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

pid_t Start(const std::vector<std::string>& args) {
    std::fflush(stdout); // what is printed goes out once, not again from the child
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(KELVO_ADMIN)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        // Its output is not the benchmark's; a failure shows in the exit status.
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr)
            _exit(127);
        execv(KELVO_ADMIN, argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for pid; its exit status, and its peak memory in KiB.
int Wait(pid_t pid, long* peakKib = nullptr) {
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (peakKib != nullptr)
        *peakKib = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int Run(const std::vector<std::string>& args, long* peakKib = nullptr) {
    return Wait(Start(args), peakKib);
}

void WriteAddresses(const std::string& path, int file, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << "\x90\xa9\t\x96\xbc\t\x89\xef\x8e\xd0\x96\xbc\r\n"; // 姓 名 会社名 (code page 932)
    for (int i = 0; i < rows; ++i)
        out << 'L' << file << '_' << i << "\tF" << i << "\tC" << i % 97 << "\r\n";
}

// Imports each file once, together or one after the other; the seconds it took.
double Imports(const std::string& database, const std::vector<std::string>& files, bool together) {
    auto start = Clock::now();
    std::vector<pid_t> running;
    for (const std::string& file : files) {
        const std::vector<std::string> args = {"--database",        database,  "import",
                                               "addresses",         "--owner", "alice",
                                               "--duplicate-check", file};
        if (together)
            running.push_back(Start(args));
        else if (Run(args) != 0)
            std::fprintf(stderr, "an import failed\n");
    }
    for (pid_t pid : running)
        if (Wait(pid) != 0)
            std::fprintf(stderr, "an import failed\n");
    return Seconds(start);
}

struct CFresh {
    std::string folder, server;
    int count = 0;
    // A fresh database with the user alice: a file, or a schema of its own.
    std::string Next(bool onServer) {
        std::string name = "c" + std::to_string(++count);
        std::string database = folder + "/" + name + ".db";
        if (onServer) {
            std::string psql = "psql -q '" + server + "' -c 'CREATE SCHEMA " + name + "'";
            if (std::system(psql.c_str()) != 0)
                std::fprintf(stderr, "no schema %s\n", name.c_str());
            database = server + "&options=-c%20search_path%3D" + name;
        }
        Run({"--database", database, "user", "add", "alice", "--password", "bench-password"});
        return database;
    }
};

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    CBenchFolder temporary;
    const std::string folder = temporary.Path();
    std::vector<std::string> files;
    for (int f = 0; f < 4; ++f) {
        files.push_back(folder + "/a" + std::to_string(f) + ".txt");
        WriteAddresses(files.back(), f, rows);
    }
    const std::string big = folder + "/big.txt";
    WriteAddresses(big, 9, 10 * rows);

    // Stopped however the run ends.
    std::unique_ptr<CThrowawayServer> server = CThrowawayServer::Start();
    if (!server)
        return 1;
    CFresh fresh{folder, server->Uri()};

    std::printf("%d addresses per file, duplicate check on, kelvo-admin processes\n", rows);
    bool met = true;
    for (bool onServer : {false, true}) {
        const char* engine = onServer ? "PostgreSQL" : "SQLite";
        double apart = Imports(fresh.Next(onServer), files, false);
        double together = Imports(fresh.Next(onServer), files, true);
        std::printf("%-10s 4 files, one owner:   one after the other %6.2f s, at once %6.2f s, "
                    "%.2fx (target 1.5x)\n",
                    engine, apart, together, together / apart);
        met = met && together <= 1.5 * apart;
        std::vector<std::string> same(8, files[0]);
        double sameApart = Imports(fresh.Next(onServer), same, false);
        double sameTogether = Imports(fresh.Next(onServer), same, true);
        std::printf("%-10s 8 x the same file:    one after the other %6.2f s, at once %6.2f s, "
                    "%.2fx\n",
                    engine, sameApart, sameTogether, sameTogether / sameApart);

        // A user added while a long import runs.
        std::string database = fresh.Next(onServer);
        pid_t import = Start({"--database", database, "import", "addresses", "--owner", "alice",
                              "--duplicate-check", big});
        usleep(1500000); // the import is well under way
        auto start = Clock::now();
        int added =
            Run({"--database", database, "user", "add", "bob", "--password", "bench-password"});
        double waited = Seconds(start);
        Wait(import);
        std::printf("%-10s user add during an import: %s after %.3f s (target 2 s)\n", engine,
                    added == 0 ? "added" : "FAILED", waited);
        met = met && added == 0 && waited <= 2;
    }

    // Memory: kept keys grow with the owner's entries.
    long small = 0, large = 0;
    Run({"--database", fresh.Next(false), "import", "addresses", "--owner", "alice",
         "--duplicate-check", files[0]},
        &small);
    Run({"--database", fresh.Next(false), "import", "addresses", "--owner", "alice",
         "--duplicate-check", big},
        &large);
    std::printf("peak memory, duplicate check on: %d addresses %.0f MiB, %d addresses %.0f MiB: "
                "%.0f bytes per kept key\n",
                rows, small / 1024.0, 10 * rows, large / 1024.0,
                (large - small) * 1024.0 / (9.0 * rows));
    std::printf("targets: %s\n", met ? "met" : "missed");
    return 0;
}
