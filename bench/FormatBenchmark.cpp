// Imports and exports the entries of the import benchmark's Outlook files
// (100,000 addresses, 100,000 schedules) in the formats other programs speak,
// through kelvo-admin, each import on a fresh temporary database, best of
// three, and prints them beside the Outlook text import of the same entries.
//   format_benchmark [ROWS]
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchFiles.h"
#include "BenchFolder.h"

namespace {

// The best of three imports of file, each into a new database; the last one stays at db.
double BestImport(const std::string& admin, const std::string& db, const std::string& kind,
                  const std::string& file) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::filesystem::remove(db);
        CBenchFiles::Run(
            {admin, "--database", db, "user", "add", "bench", "--password", "bench-password"});
        double seconds =
            CBenchFiles::Run({admin, "--database", db, "import", kind, "--owner", "bench", file});
        if (seconds < 0) {
            std::printf("  import of %s failed\n", file.c_str());
            std::exit(1);
        }
        best = std::min(best, seconds);
    }
    return best;
}

double BestExport(const std::string& admin, const std::string& db, const std::string& kind,
                  const std::string& format, const std::string& file) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
        best = std::min(best, CBenchFiles::Run({admin, "--database", db, "export", kind, "--owner",
                                                "bench", "--format", format, file}));
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    CBenchFolder temporary;
    const std::string& folder = temporary.Path();
    const std::string admin = CBenchFiles::ExecutableDirectory() + "/kelvo-admin";
    setenv("TZ", "Asia/Tokyo", 0);
    bool met = true;
    for (const std::string kind : {"addresses", "schedules"}) {
        const bool addresses = kind == "addresses";
        const std::string outlook = folder + "/" + kind + ".txt";
        if (addresses)
            CBenchFiles::WriteFile(outlook, rows);
        else
            CBenchFiles::WriteCalendar(outlook, rows);
        const std::string db = folder + "/" + kind + ".db";
        const double byOutlook = BestImport(admin, db, kind, outlook);
        std::printf("%d %s\n  Outlook text import: %.2f s, %.0f records/s\n", rows, kind.c_str(),
                    byOutlook, rows / byOutlook);

        const std::string format = addresses ? "vcard" : "ical";
        const std::string name = addresses ? "vCard" : "iCalendar";
        const std::string exported = folder + "/" + kind + (addresses ? ".vcf" : ".ics");
        const double out = BestExport(admin, db, kind, format, exported);
        const double outCsv = BestExport(admin, db, kind, "outlook", folder + "/" + kind + ".csv");
        std::printf("  %s export: %.2f s (%.1f MiB); Outlook comma-separated export: %.2f s\n",
                    name.c_str(), out, std::filesystem::file_size(exported) / 1048576.0, outCsv);
        const double back = BestImport(admin, folder + "/back-" + kind + ".db", kind, exported);
        std::printf("  %s import: %.2f s, %.0f records/s, %.2fx the Outlook text import\n",
                    name.c_str(), back, rows / back, back / byOutlook);
        const bool importMet = back <= 1.5 * byOutlook, exportMet = out <= 1.0 && outCsv <= 1.0;
        std::printf("  targets: import within 1.5x %s; export of %d within 1 s %s\n",
                    importMet ? "met" : "missed", rows, exportMet ? "met" : "missed");
        met = met && importMet && exportMet;
    }
    return met ? 0 : 1;
}
