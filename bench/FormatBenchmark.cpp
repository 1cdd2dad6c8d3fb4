// Imports and exports the entries of the import benchmark's Outlook files
// (100,000 addresses, 100,000 schedules) in the formats other programs speak,
// through kelvo-admin, each import on a fresh temporary database, best of
// three, and prints them beside the Outlook text import of the same entries;
// then what the originals kept beside entries cost: the same cards each with a
// title code page 932 cannot hold and a birthday, and the database's bytes an
// entry with and without originals; and the phones' forms (a vCard 2.1
// backup, a vCalendar 1.0 file) of the same entries. Given an earlier build's kelvo-admin, it
// imports the same vCard and iCalendar files with it too, which keeps nothing
// beside the entries:
//   format_benchmark [ROWS [EARLIER_KELVO_ADMIN]]
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Every card of a vCard file given a title code page 932 cannot hold and a
// birthday: what an entry then keeps beside it.
void AddOriginals(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string begin = "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (size_t at = 0; at < text.size();) {
        size_t next = text.find(begin, at + 1);
        if (next == std::string::npos)
            next = text.size();
        std::string card = text.substr(at, next - at);
        if (card.compare(0, begin.size(), begin) == 0)
            card.insert(begin.size(), "TITLE:Büro – Leitung\r\nBDAY:19800101\r\n");
        out += card;
        at = next;
    }
    std::ofstream(to, std::ios::binary) << out;
}

// The same entries as a Japanese phone's backup writes them: vCard 2.1 in
// Shift_JIS inside an envelope card naming the set, readings in SOUND, a
// group, the maker's own properties, a quoted-printable note.
void WritePhoneCards(const std::string& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    const std::string last = CBenchFiles::Sjis("佐藤"), first = CBenchFiles::Sjis("花子"),
                      reading = CBenchFiles::Sjis("ｻﾄｳ;ﾊﾅｺ"), group = CBenchFiles::Sjis("取引先");
    out << "BEGIN:VCARD\r\nX-SD-VERN:VF1.0\r\nX-SD-CHAR_CODE:SJIS\r\n";
    for (int i = 0; i < rows; ++i)
        out << "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:" << last << i << ';' << first
            << "\r\nSOUND;X-IRMC-N;CHARSET=SHIFT_JIS:" << reading << ";;;\r\nTEL;CELL:090-" << i
            << "\r\nTEL;VOICE:03-" << 1000 + i % 9000 << "\r\nEMAIL;INTERNET:user" << i
            << "@example.jp\r\nX-GNO:" << i % 5 << "\r\nX-GN:" << group << i % 5
            << "\r\nX-DCM-RINGSET:3\r\nNOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=SHIFT_JIS:"
               "=91=C5=82=BF=8D=87=82=ED=82=B9=8D=CF=82=DD\r\nEND:VCARD\r\n";
    out << "END:VCARD\r\n";
}

// The same events as a phone's vCalendar 1.0: quoted-printable Shift_JIS
// titles, an alarm at a time before each start.
void WritePhoneCalendar(const std::string& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nTZ:+09:00\r\n";
    char day[32];
    for (int i = 0; i < rows; ++i) {
        long long slot = (static_cast<long long>(i) * 7919) % rows;
        int days = static_cast<int>(slot / 10), hour = 8 + static_cast<int>(slot % 10);
        std::snprintf(day, sizeof(day), "%04d%02d%02d", 2000 + days / 336, 1 + days / 28 % 12,
                      1 + days % 28);
        out << "BEGIN:VEVENT\r\nDCREATED:20261201T100000\r\n"
               "SUMMARY;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=92=E8=97=E1=89=EF=8B=63"
            << i << "\r\nDTSTART:" << day << 'T' << hour << "0000\r\nDTEND:" << day << 'T'
            << hour + 1 << "0000\r\nAALARM:" << day << 'T' << hour - 1
            << "4500;;;\r\nX-DCM-ALARM-ON:1\r\nEND:VEVENT\r\n";
    }
    out << "END:VCALENDAR\r\n";
}

double BytesPerEntry(const std::string& db, int rows) {
    return static_cast<double>(std::filesystem::file_size(db)) / rows;
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
        const std::string phone = folder + "/phone." + (addresses ? "vcf" : "vcs");
        if (addresses)
            WritePhoneCards(phone, rows);
        else
            WritePhoneCalendar(phone, rows);
        const double byPhone = BestImport(admin, folder + "/phone.db", kind, phone);
        std::printf("  a phone's %s import: %.2f s, %.2fx the Outlook text import\n",
                    addresses ? "vCard 2.1 backup" : "vCalendar 1.0", byPhone, byPhone / byOutlook);
        const bool importMet = back <= 1.5 * byOutlook, exportMet = out <= 1.0 && outCsv <= 1.0;
        std::printf("  targets: import within 1.5x %s; export of %d within 1 s %s\n",
                    importMet ? "met" : "missed", rows, exportMet ? "met" : "missed");
        met = met && importMet && exportMet;
        // Other programs' address books, as this program writes them.
        if (addresses)
            for (const auto& [other, title] : {std::pair<const char*, const char*>{"ldif", "LDIF"},
                                               {"google", "Google Contacts CSV"}}) {
                const std::string file = folder + "/addresses." + other;
                const double written = BestExport(admin, db, kind, other, file);
                const double read = BestImport(admin, folder + "/" + other + ".db", kind, file);
                const bool readMet = read <= 1.5 * byOutlook;
                std::printf("  %s export: %.2f s; import: %.2f s, %.2fx the Outlook text import "
                            "(target 1.5x %s)\n",
                            title, written, read, read / byOutlook, readMet ? "met" : "missed");
                met = met && readMet;
            }
        // What the originals cost: an export's events keep their UIDs and
        // DTSTAMPs (so every iCalendar entry above keeps an original); cards
        // are given something to keep.
        const std::string earlier = argc > 2 ? argv[2] : "";
        auto sayEarlier = [&](const std::string& file, double now) {
            if (earlier.empty())
                return;
            const double then = BestImport(earlier, folder + "/earlier.db", kind, file);
            std::printf("    the earlier kelvo-admin, keeping nothing beside: %.2f s; this one "
                        "takes %.2fx\n",
                        then, now / then);
        };
        if (addresses) {
            sayEarlier(exported, back);
            const std::string kept = folder + "/kept.vcf";
            AddOriginals(exported, kept);
            const double withKept = BestImport(admin, folder + "/kept.db", kind, kept);
            std::printf("  vCard import with an original each (a title code page 932 lacks, a "
                        "birthday): %.2f s, %.2fx the vCard import\n",
                        withKept, withKept / back);
            sayEarlier(kept, withKept);
            std::printf("  database per entry: %.0f bytes without originals, %.0f with\n",
                        BytesPerEntry(folder + "/back-" + kind + ".db", rows),
                        BytesPerEntry(folder + "/kept.db", rows));
        } else {
            std::printf("    (every event keeps its UID and DTSTAMP, and the Outlook file's "
                        "place and description)\n");
            sayEarlier(exported, back);
            const std::string bare = folder + "/bare.txt";
            CBenchFiles::WriteCalendar(bare, rows, '\t', false, false);
            BestImport(admin, folder + "/bare.db", kind, bare);
            std::printf("  database per entry: %.0f bytes without originals (Outlook text without "
                        "place and description), %.0f with both kept (Outlook text), %.0f with "
                        "UID and DTSTAMP as well (iCalendar)\n",
                        BytesPerEntry(folder + "/bare.db", rows), BytesPerEntry(db, rows),
                        BytesPerEntry(folder + "/back-" + kind + ".db", rows));
        }
    }
    return met ? 0 : 1;
}
