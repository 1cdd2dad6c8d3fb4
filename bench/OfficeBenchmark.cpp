// An office under load: a throwaway PostgreSQL server (scripts/pg-server.sh),
// 20 desktops signed in as different people that open their lists (10,000
// schedules, 5,000 addresses) again and again for 30 seconds, and at the
// same time 2 importers of 100,000 entries each. Prints the lists' median and
// 95th percentile (all, and while the importers ran), the importers' records
// per second, the CPU of the server, the desktops and the importers, and
// checks that every imported entry is there exactly once.
//   office_benchmark [SECONDS] [DESKTOPS]
// Each desktop is a process of its own: this program run as
//   office_benchmark --desktop URI USER PASSWORD SECONDS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "AdminTool.h"
#include "BenchAdmin.h"
#include "BenchFiles.h"
#include "BenchFolder.h"
#include "LinkedBackend.h"
#include "ThrowawayServer.h"
#include "kelvo.h"
#include "kelvoadmin.h"

namespace {

double Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// One desktop: signs in, then opens its schedules and its address book again
// and again; prints "s|a START SECONDS" for each list read to its end.
int Desktop(const std::string& uri, const std::string& user, const std::string& password,
            double seconds) {
    setenv("KELVO_DATABASE", uri.c_str(), 1);
    CLinkedBackend backend;
    if (!kvCheckPassword(user.c_str(), password.c_str())) {
        std::fprintf(stderr, "%s cannot sign in\n", user.c_str());
        return 1;
    }
    auto schedule = std::make_unique<kvScheduleRecord>();
    auto address = std::make_unique<kvAddressRecord>();
    const double end = Now() + seconds;
    while (Now() < end) {
        double start = Now();
        long rows = 0;
        if (kvOpenSchedules(user.c_str(), ""))
            while (kvNextSchedule(schedule.get(), 1))
                ++rows;
        kvCloseSchedules();
        std::printf("s %.6f %.6f %ld\n", start, Now() - start, rows);
        start = Now();
        rows = 0;
        if (kvOpenAddressBook(user.c_str(), -1, 0, 0, 0))
            while (kvNextAddress(address.get(), 1))
                ++rows;
        kvCloseAddressBook();
        std::printf("a %.6f %.6f %ld\n", start, Now() - start, rows);
    }
    kvShutdown();
    return 0;
}

// The CPU seconds of the server's processes so far, the reaped backends
// included (the postmaster's children's time).
double ServerCpu() {
    double ticks = 0;
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return 0;
    while (dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.find("(postgres)") == std::string::npos)
            continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 17 && fields >> field; ++i)
            if (i >= 14) // utime, stime, cutime, cstime
                ticks += std::atof(field.c_str());
    }
    closedir(proc);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct CChild {
    pid_t pid = -1;
    FILE* output = nullptr; // what it prints, when kept
    double started = 0, ended = 0;
    double cpu = 0;
};

// Starts command with its standard output kept (keep) or discarded.
CChild Start(const std::vector<std::string>& command, bool keep) {
    int pipes[2] = {-1, -1};
    if (keep && pipe(pipes) != 0)
        std::exit(1);
    CChild child;
    child.started = Now();
    child.pid = fork();
    if (child.pid == 0) {
        int out = keep ? pipes[1] : open("/dev/null", O_WRONLY);
        dup2(out, 1);
        std::vector<char*> argv;
        for (const std::string& arg : command)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (keep) {
        close(pipes[1]);
        child.output = fdopen(pipes[0], "r");
    }
    return child;
}

bool Wait(CChild& child) {
    int status = 0;
    rusage usage{};
    wait4(child.pid, &status, 0, &usage);
    child.ended = Now();
    child.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                usage.ru_stime.tv_usec / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--desktop")
        return Desktop(argv[2], argv[3], argv[4], std::atof(argv[5]));
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    const int desktops = argc > 2 ? std::atoi(argv[2]) : 20;
    const int imported = 100000;
    CBenchFolder temporary;
    const std::string& folder = temporary.Path();
    const std::string self = CBenchFiles::ExecutableDirectory() + "/office_benchmark";
    const std::string admin = CBenchFiles::ExecutableDirectory() + "/kelvo-admin";

    std::unique_ptr<CThrowawayServer> server = CThrowawayServer::Start();
    if (!server)
        return 1;
    const std::string uri = server->Uri();

    // The office: each person's lists, and the importers' owners.
    CLinkedBackend backend;
    const std::string schedules = folder + "/schedules.txt", addresses = folder + "/addresses.txt";
    CBenchFiles::WriteCalendar(schedules, 10000);
    CBenchFiles::WriteFile(addresses, 5000);
    if (CBenchAdmin::Run({"--database", uri, "init"}) != 0)
        return 1;
    std::vector<std::string> people;
    for (int i = 1; i <= desktops; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "p%02d", i);
        people.push_back(name);
        CBenchAdmin::Run(
            {"--database", uri, "user", "add", name, "--password", "password-" + people.back()});
        CBenchAdmin::Run(
            {"--database", uri, "import", "schedules", "--owner", name, "--quiet", schedules});
        CBenchAdmin::Run(
            {"--database", uri, "import", "addresses", "--owner", name, "--quiet", addresses});
    }
    const std::string bigSchedules = folder + "/big-schedules.txt";
    const std::string bigAddresses = folder + "/big-addresses.txt";
    CBenchFiles::WriteCalendar(bigSchedules, imported);
    CBenchFiles::WriteFile(bigAddresses, imported);
    CBenchAdmin::Run(
        {"--database", uri, "user", "add", "importer1", "--password", "bench-password"});
    CBenchAdmin::Run(
        {"--database", uri, "user", "add", "importer2", "--password", "bench-password"});
    std::printf("%d desktops, each with 10000 schedules and 5000 addresses; 2 importers of %d "
                "entries; %.0f s\n",
                desktops, imported, seconds);

    const double cpuBefore = ServerCpu();
    const double begin = Now();
    std::vector<CChild> clients;
    for (const std::string& person : people)
        clients.push_back(Start({self, "--desktop", CThrowawayServer::PeopleOf(uri), person,
                                 "password-" + person, std::to_string(seconds)},
                                true));
    // The importers start once the desktops are at work.
    sleep(2);
    std::vector<CChild> importers = {
        Start({admin, "--database", uri, "import", "schedules", "--owner", "importer1",
               "--duplicate-check", bigSchedules},
              false),
        Start({admin, "--database", uri, "import", "addresses", "--owner", "importer2",
               "--duplicate-check", bigAddresses},
              false)};
    bool ok = true;
    for (CChild& importer : importers)
        ok = Wait(importer) && ok;
    std::vector<double> scheduleAll, scheduleBusy, addressAll, addressBusy;
    double clientCpu = 0;
    long lists = 0;
    const double busyFrom = std::min(importers[0].started, importers[1].started);
    const double busyTo = std::max(importers[0].ended, importers[1].ended);
    for (CChild& client : clients) {
        char kind = 0;
        double start = 0, took = 0;
        long rows = 0;
        while (std::fscanf(client.output, " %c %lf %lf %ld", &kind, &start, &took, &rows) == 4) {
            const bool busy = start >= busyFrom && start + took <= busyTo;
            (kind == 's' ? scheduleAll : addressAll).push_back(took);
            if (busy)
                (kind == 's' ? scheduleBusy : addressBusy).push_back(took);
            if (rows != (kind == 's' ? 10000 : 5000))
                ok = false;
            ++lists;
        }
        fclose(client.output);
        ok = Wait(client) && ok;
        clientCpu += client.cpu;
    }
    const double elapsed = Now() - begin;
    const double serverCpu = ServerCpu() - cpuBefore;

    // Every imported entry there once: counted and told apart by title or name.
    setenv("KELVO_DATABASE", uri.c_str(), 1);
    kvShutdown();
    std::set<std::string> titles, names;
    auto schedule = std::make_unique<kvScheduleRecord>();
    long scheduleRows = 0, addressRows = 0;
    if (kvOpenSchedules("importer1", ""))
        for (; kvNextSchedule(schedule.get(), 1); ++scheduleRows)
            titles.insert(schedule->title);
    kvCloseSchedules();
    auto address = std::make_unique<kvAddressRecord>();
    if (kvOpenAddressBook("importer2", -1, 0, 0, 0))
        for (; kvNextAddress(address.get(), 1);)
            if (std::strcmp(address->owner, "importer2") == 0) {
                ++addressRows;
                names.insert(address->lastName);
            }
    kvCloseAddressBook();
    kvShutdown();
    const bool complete = scheduleRows == imported && addressRows == imported &&
                          titles.size() == static_cast<size_t>(imported) &&
                          names.size() == static_cast<size_t>(imported);

    const double importSeconds = busyTo - busyFrom;
    const double rate = 2.0 * imported / importSeconds;
    const double p95 = Percentile(scheduleBusy, 0.95);
    std::printf("lists read: %ld in %.1f s (%.1f a second)\n", lists, elapsed, lists / elapsed);
    std::printf("10000-schedule list: median %.3f s, 95th percentile %.3f s (while importing: "
                "median %.3f s, 95th %.3f s, %zu lists)\n",
                Percentile(scheduleAll, 0.5), Percentile(scheduleAll, 0.95),
                Percentile(scheduleBusy, 0.5), p95, scheduleBusy.size());
    std::printf("5000-address list: median %.3f s, 95th percentile %.3f s (while importing: "
                "median %.3f s, 95th %.3f s)\n",
                Percentile(addressAll, 0.5), Percentile(addressAll, 0.95),
                Percentile(addressBusy, 0.5), Percentile(addressBusy, 0.95));
    std::printf("importers: %.2f s and %.2f s, together %.0f records/s\n",
                importers[0].ended - importers[0].started,
                importers[1].ended - importers[1].started, rate);
    std::printf("CPU: server %.1f s, desktops %.1f s, importers %.1f s, in %.1f s on %ld cores\n",
                serverCpu, clientCpu, importers[0].cpu + importers[1].cpu, elapsed,
                sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("every imported entry there once: %s (%ld schedules, %zu titles; %ld addresses, "
                "%zu names)\n",
                complete ? "yes" : "NO", scheduleRows, titles.size(), addressRows, names.size());
    std::printf("targets: 95th percentile of a 10000-row list while importing <= 0.25 s %s; "
                "importers >= 50000 records/s together %s\n",
                p95 <= 0.25 ? "met" : "missed", rate >= 50000 ? "met" : "missed");
    return ok && complete ? 0 : 1;
}
