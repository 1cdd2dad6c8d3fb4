// Imports generated Outlook address and schedule files of 100,000 entries each
// into the real library three ways, each on a fresh temporary database, and
// prints the rates: through the load dialog (offscreen), through kelvo-admin,
// and with the sqlite3 shell's own .import of the same file for comparison.
//   import_benchmark [ROWS]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kelvo.h"

#include "kelvoadmin.h"

#include "BenchFolder.h"

#include "AddressLoadDlg.h"
#include "Cp932.h"
#include "ImportSession.h"
#include "LinkedBackend.h"
#include "OutlookTextFile.h"
#include "SchaduleLoadDlg.h"
#include "ViewerApp.h"

namespace {

std::string Sjis(const std::string& utf8) {
    std::string text;
    CCp932::FromUtf8(utf8, text);
    return text;
}

void WriteFile(const std::string& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << Sjis("姓\t名\t姓ﾌﾘｶﾞﾅ\t会社名\t会社電話\t電子ﾒｰﾙ ｱﾄﾞﾚｽ\t番地 (会社)\t住所 2 (会社)\t"
                "自宅電話\t分類\tﾒﾓ\r\n");
    const std::string last = Sjis("佐藤"), first = Sjis("花子"), reading = Sjis("ｻﾄｳ"),
                      company = Sjis("ケルボ株式会社"), street = Sjis("千代田区1-2-3"),
                      category = Sjis("取引先"), memo = Sjis("打ち合わせ済み");
    for (int i = 0; i < rows; ++i) {
        out << last << i << '\t' << first << '\t' << reading << '\t' << company << i % 100 << '\t'
            << "03-" << 1000 + i % 9000 << '\t' << "user" << i << "@example.jp" << '\t' << street
            << '\t' << i % 50 << "F\t"
            << "090-" << i << '\t' << category << i % 5 << '\t';
        if (i % 10 == 0)
            out << '"' << memo << "\r\n" << memo << '"';
        else
            out << memo;
        out << "\r\n";
    }
}

void WriteCalendar(const std::string& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << Sjis("件名\t開始日\t開始時刻\t終了日\t終了時刻\t終日ｲﾍﾞﾝﾄ\tｱﾗｰﾑ ｵﾝ/ｵﾌ\tｱﾗｰﾑ日付\t"
                "ｱﾗｰﾑ時刻\t場所\t内容\r\n");
    const std::string title = Sjis("定例会議"), place = Sjis("第1会議室"), text = Sjis("議題");
    for (int i = 0; i < rows; ++i) {
        // Every entry at its own hour (as in a real calendar), in a scrambled order so that
        // nothing is appended in sequence: slot k is day k / 10, hour 8 + k % 10.
        long long slot = (static_cast<long long>(i) * 7919) % rows;
        int days = static_cast<int>(slot / 10);
        int year = 2000 + days / 336, month = 1 + days / 28 % 12, day = 1 + days % 28;
        int hour = 8 + static_cast<int>(slot % 10);
        std::string date =
            std::to_string(year) + "/" + std::to_string(month) + "/" + std::to_string(day);
        out << title << i << '\t' << date << '\t' << hour << ":00:00\t" << date << '\t' << hour + 1
            << ":00:00\t" << (i % 7 == 0 ? "TRUE" : "FALSE") << '\t'
            << (i % 3 == 0 ? "TRUE" : "FALSE") << '\t' << date << '\t' << hour - 1 << ":45:00\t"
            << place << '\t';
        if (i % 10 == 0)
            out << '"' << text << "\r\n" << text << '"';
        else
            out << text;
        out << "\r\n";
    }
}

double Run(const std::vector<std::string>& command) {
    QElapsedTimer clock;
    clock.start();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::vector<char*> argv;
        for (const std::string& arg : command)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return clock.nsecsElapsed() / 1e9;
}

std::string ExecutableDirectory() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    CBenchFolder temporary;
    const std::string& folder = temporary.Path();
    QApplication application(argc, argv);
    CLinkedBackend backend;
    CViewerApp app; // the application object the dialogs expect; no main window
    g_strLoginUser = "bench";
    const std::string admin = ExecutableDirectory() + "/kelvo-admin";

    for (const std::string kind : {"addresses", "schedules"}) {
        const bool addresses = kind == "addresses";
        const std::string file = folder + "/" + kind + ".txt";
        if (addresses)
            WriteFile(file, rows);
        else
            WriteCalendar(file, rows);
        std::printf("%d %s, %.1f MiB of Outlook text\n", rows, kind.c_str(),
                    std::filesystem::file_size(file) / 1048576.0);

        // Through the load dialog, as the viewer runs it.
        setenv("KELVO_DATABASE", (folder + "/dialog-" + kind + ".db").c_str(), 1);
        COutlookTextFile text;
        text.Open(file);
        QElapsedTimer clock;
        clock.start();
        CImportSession session(
            text, {addresses ? CImportSession::Kind::Addresses : CImportSession::Kind::Schedules,
                   "bench", false, true});
        session.Open();
        if (addresses)
            CAddressLoadDlg(nullptr).Run(session, text, QString::fromStdString(file));
        else
            CSchaduleLoadDlg(nullptr).Run(session, text, QString::fromStdString(file));
        session.Close();
        double dialog = clock.nsecsElapsed() / 1e9;
        kvShutdown();
        std::printf("  load dialog (duplicate check on): %.2f s, %.0f records/s\n", dialog,
                    rows / dialog);

        // The best of three runs each, every run on a fresh database.
        double byAdmin = 1e9, bySqlite = 1e9;
        for (int round = 0; round < 3; ++round) {
            const std::string adminDb = folder + "/admin-" + kind + std::to_string(round) + ".db";
            Run({admin, "--database", adminDb, "user", "add", "bench", "--password", "bench"});
            byAdmin = std::min(byAdmin, Run({admin, "--database", adminDb, "import", kind,
                                             "--owner", "bench", file}));
            bySqlite =
                std::min(bySqlite,
                         Run({"sqlite3", folder + "/sqlite-" + kind + std::to_string(round) + ".db",
                              ".mode tabs", ".import " + file + " entries"}));
        }
        std::printf("  kelvo-admin import %s: %.2f s, %.0f records/s\n", kind.c_str(), byAdmin,
                    rows / byAdmin);

        if (bySqlite < 0) {
            std::printf("  sqlite3 shell not available: no comparison\n");
        } else {
            std::printf("  sqlite3 .import of the same file: %.2f s, %.0f rows/s\n", bySqlite,
                        rows / bySqlite);
            std::printf("  kelvo-admin takes %.2fx the sqlite3 time (target: at most 2x)\n",
                        byAdmin / bySqlite);
        }
        std::printf("  targets: dialog >= 50000 records/s %s; kelvo-admin <= 2x sqlite3 %s\n",
                    rows / dialog >= 50000 ? "met" : "missed",
                    bySqlite > 0 && byAdmin <= 2 * bySqlite ? "met" : "missed");
    }
    return 0;
}
