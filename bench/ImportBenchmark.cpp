// Imports generated Outlook address and schedule files of 100,000 entries each
// into the real library three ways, each on a fresh temporary database, and
// prints the rates: through the load dialog (offscreen), through kelvo-admin,
// and with the sqlite3 shell's own .import of the same file for comparison.
// Given an earlier build's kelvo-admin, it also runs both on the same files,
// to show what the newer keeps costs (originals, the records of imports: in
// time, and in the database's bytes an entry):
//   import_benchmark [ROWS [EARLIER_KELVO_ADMIN]]
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "BenchFolder.h"
#include "LinkedBackend.h"
#include "ViewerApp.h"
#include "kelvo.h"
#include "kelvoadmin.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    CBenchFolder temporary;
    const std::string& folder = temporary.Path();
    QApplication application(argc, argv);
    CLinkedBackend backend;
    CViewerApp app; // the application object the dialogs expect; no main window
    g_strLoginUser = "bench";
    const std::string admin = CBenchFiles::ExecutableDirectory() + "/kelvo-admin";

    for (const std::string kind : {"addresses", "schedules"}) {
        const bool addresses = kind == "addresses";
        const std::string file = folder + "/" + kind + ".txt";
        if (addresses)
            CBenchFiles::WriteFile(file, rows);
        else
            CBenchFiles::WriteCalendar(file, rows);
        std::printf("%d %s, %.1f MiB of Outlook text\n", rows, kind.c_str(),
                    std::filesystem::file_size(file) / 1048576.0);

        // Through the load dialog, as the viewer runs it.
        setenv("KELVO_DATABASE", (folder + "/dialog-" + kind + ".db").c_str(), 1);
        QElapsedTimer clock;
        clock.start();
        CBenchFiles::ImportWithDialog(file, addresses);
        double dialog = clock.nsecsElapsed() / 1e9;
        kvShutdown();
        std::printf("  load dialog (duplicate check on): %.2f s, %.0f records/s\n", dialog,
                    rows / dialog);

        // The best of three runs each, every run on a fresh database.
        double byAdmin = 1e9, bySqlite = 1e9;
        for (int round = 0; round < 3; ++round) {
            const std::string adminDb = folder + "/admin-" + kind + std::to_string(round) + ".db";
            CBenchFiles::Run({admin, "--database", adminDb, "user", "add", "bench", "--password",
                              "bench-password"});
            byAdmin = std::min(byAdmin, CBenchFiles::Run({admin, "--database", adminDb, "import",
                                                          kind, "--owner", "bench", file}));
            bySqlite =
                std::min(bySqlite,
                         CBenchFiles::Run(
                             {"sqlite3", folder + "/sqlite-" + kind + std::to_string(round) + ".db",
                              ".mode tabs", ".import " + file + " entries"}));
        }
        std::printf("  kelvo-admin import %s: %.2f s, %.0f records/s\n", kind.c_str(), byAdmin,
                    rows / byAdmin);

        if (bySqlite < 0) {
            std::printf("  sqlite3 shell not available: no comparison\n");
        } else {
            std::printf("  sqlite3 .import of the same file: %.2f s, %.0f rows/s\n", bySqlite,
                        rows / bySqlite);
            std::printf("  kelvo-admin takes %.2fx the sqlite3 time (target: at most 1.5x)\n",
                        byAdmin / bySqlite);
        }
        std::printf("  targets: dialog >= 50000 records/s %s; kelvo-admin <= 1.5x sqlite3 %s\n",
                    rows / dialog >= 50000 ? "met" : "missed",
                    bySqlite > 0 && byAdmin <= 1.5 * bySqlite ? "met" : "missed");

        // The same records in the forms current exports write, through kelvo-admin.
        struct Form {
            const char* name;
            char separator;
            bool utf8;
        };
        const Form forms[] = {{"tab-separated, code page 932", '\t', false},
                              {"comma-separated, code page 932", ',', false},
                              {"tab-separated, UTF-8", '\t', true},
                              {"comma-separated, UTF-8", ',', true}};
        double baseline = 0, slowest = 0;
        for (const Form& form : forms) {
            const std::string path = folder + "/" + kind + "-form.txt";
            if (addresses)
                CBenchFiles::WriteFile(path, rows, form.separator, form.utf8);
            else
                CBenchFiles::WriteCalendar(path, rows, form.separator, form.utf8);
            double best = 1e9;
            for (int round = 0; round < 3; ++round) {
                const std::string db = folder + "/form-" + kind + std::to_string(round) + ".db";
                std::filesystem::remove(db);
                CBenchFiles::Run({admin, "--database", db, "user", "add", "bench", "--password",
                                  "bench-password"});
                best = std::min(best, CBenchFiles::Run({admin, "--database", db, "import", kind,
                                                        "--owner", "bench", path}));
            }
            if (baseline == 0)
                baseline = best;
            slowest = std::max(slowest, best / baseline);
            std::printf("  %s: %.2f s, %.0f records/s, %.2fx the tab-separated time\n", form.name,
                        best, rows / best, best / baseline);
        }
        std::printf("  target: every form within 1.3x the tab-separated time %s\n",
                    slowest <= 1.3 ? "met" : "missed");
    }

    // This kelvo-admin against an earlier one, turn about, best of five each.
    if (argc <= 2) {
        std::printf("no earlier kelvo-admin given: no comparison with it\n");
        return 0;
    }
    const std::string earlier = argv[2];
    struct Case {
        const char* name;
        bool addresses, unmapped, kept, again;
    };
    const Case cases[] = {
        {"addresses (every column has a field)", true, false, false, false},
        {"schedules without place and description (every column has a field)", false, false, false,
         false},
        {"schedules with place and description (both kept beside each entry)", false, true, true,
         false},
        {"addresses imported again with the duplicate check (each entry replaced)", true, false,
         false, true}};
    std::printf("against the earlier kelvo-admin %s:\n", earlier.c_str());
    bool met = true;
    for (const Case& each : cases) {
        const std::string path = folder + "/compare.txt";
        if (each.addresses)
            CBenchFiles::WriteFile(path, rows);
        else
            CBenchFiles::WriteCalendar(path, rows, '\t', false, each.unmapped);
        const char* kind = each.addresses ? "addresses" : "schedules";
        double best[2] = {1e9, 1e9};
        std::uintmax_t bytes[2] = {0, 0};
        for (int round = 0; round < 5; ++round)
            for (int which = 0; which < 2; ++which) {
                const std::string program = which == 0 ? earlier : admin;
                const std::string db = folder + "/compare" + std::to_string(which) + ".db";
                std::filesystem::remove(db);
                CBenchFiles::Run({program, "--database", db, "user", "add", "bench", "--password",
                                  "bench-password"});
                std::vector<std::string> import = {program, "--database", db,     "import",
                                                   kind,    "--owner",    "bench"};
                if (each.again) {
                    std::vector<std::string> first = import;
                    first.push_back(path);
                    CBenchFiles::Run(first);
                    import.push_back("--duplicate-check");
                }
                import.push_back(path);
                const double took = CBenchFiles::Run(import);
                if (took < 0) {
                    std::printf("  %s cannot import %s\n", program.c_str(), kind);
                    return 1;
                }
                best[which] = std::min(best[which], took);
                bytes[which] = std::filesystem::file_size(db);
            }
        const double ratio = best[1] / best[0];
        if (!each.kept && !each.again)
            met = met && ratio <= 1.1;
        std::printf("  %s: %.2f s, earlier %.2f s: %.2fx%s; %+.0f bytes an entry\n", each.name,
                    best[1], best[0], ratio, each.kept ? " (what the originals cost)" : "",
                    (static_cast<double>(bytes[1]) - static_cast<double>(bytes[0])) / rows);
    }
    std::printf("  target: new entries from files without originals within 1.1x the earlier time "
                "%s\n",
                met ? "met" : "missed");
    return 0;
}
