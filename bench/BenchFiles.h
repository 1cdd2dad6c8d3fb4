#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "AddressLoadDlg.h"
#include "Cp932.h"
#include "ImportSession.h"
#include "SchaduleLoadDlg.h"
#include "TextFile.h"

// What the import benchmarks share: the Outlook exports they read (an address
// book and a calendar of rows entries, every tenth with a value on two lines,
// each calendar entry at an hour of its own, in scrambled order) and running
// a command, and the load dialog's import. Either file is written in any of
// the forms an export may take.
class CBenchFiles {
public:
    static std::string Sjis(const std::string& utf8) {
        std::string text;
        CCp932::FromUtf8(utf8, text);
        return text;
    }

    // Tab- or comma-separated (separator), code page 932 or UTF-8.
    static void WriteFile(const std::string& path, int rows, char s = '\t', bool utf8 = false) {
        std::ofstream out(path, std::ios::binary);
        auto text = [utf8](const std::string& name) { return utf8 ? name : Sjis(name); };
        std::string header = "姓\t名\t姓ﾌﾘｶﾞﾅ\t会社名\t会社電話\t電子ﾒｰﾙ ｱﾄﾞﾚｽ\t番地 (会社)\t"
                             "住所 2 (会社)\t自宅電話\t分類\tﾒﾓ\r\n";
        std::replace(header.begin(), header.end(), '\t', s);
        out << text(header);
        const std::string last = text("佐藤"), first = text("花子"), reading = text("ｻﾄｳ"),
                          company = text("ケルボ株式会社"), street = text("千代田区1-2-3"),
                          category = text("取引先"), memo = text("打ち合わせ済み");
        for (int i = 0; i < rows; ++i) {
            out << last << i << s << first << s << reading << s << company << i % 100 << s << "03-"
                << 1000 + i % 9000 << s << "user" << i << "@example.jp" << s << street << s
                << i % 50 << 'F' << s << "090-" << i << s << category << i % 5 << s;
            if (i % 10 == 0)
                out << '"' << memo << "\r\n" << memo << '"';
            else
                out << memo;
            out << "\r\n";
        }
    }

    // The place and the description have no field: without unmapped, the
    // file leaves them out, and nothing is kept beside its entries.
    static void WriteCalendar(const std::string& path, int rows, char s = '\t', bool utf8 = false,
                              bool unmapped = true) {
        std::ofstream out(path, std::ios::binary);
        auto text = [utf8](const std::string& name) { return utf8 ? name : Sjis(name); };
        std::string header = "件名\t開始日\t開始時刻\t終了日\t終了時刻\t終日ｲﾍﾞﾝﾄ\tｱﾗｰﾑ ｵﾝ/ｵﾌ\t"
                             "ｱﾗｰﾑ日付\tｱﾗｰﾑ時刻";
        header += unmapped ? "\t場所\t内容\r\n" : "\r\n";
        std::replace(header.begin(), header.end(), '\t', s);
        out << text(header);
        const std::string title = text("定例会議"), place = text("第1会議室"), note = text("議題");
        for (int i = 0; i < rows; ++i) {
            // Every entry at its own hour (as in a real calendar), in a scrambled order so that
            // nothing is appended in sequence: slot k is day k / 10, hour 8 + k % 10.
            long long slot = (static_cast<long long>(i) * 7919) % rows;
            int days = static_cast<int>(slot / 10);
            int year = 2000 + days / 336, month = 1 + days / 28 % 12, day = 1 + days % 28;
            int hour = 8 + static_cast<int>(slot % 10);
            std::string date =
                std::to_string(year) + "/" + std::to_string(month) + "/" + std::to_string(day);
            out << title << i << s << date << s << hour << ":00:00" << s << date << s << hour + 1
                << ":00:00" << s << (i % 7 == 0 ? "TRUE" : "FALSE") << s
                << (i % 3 == 0 ? "TRUE" : "FALSE") << s << date << s << hour - 1 << ":45:00";
            if (!unmapped) {
                out << "\r\n";
                continue;
            }
            out << s << place << s;
            if (i % 10 == 0)
                out << '"' << note << "\r\n" << note << '"';
            else
                out << note;
            out << "\r\n";
        }
    }

    // Imports file through the load dialog, as the viewer runs it (duplicate
    // check on, for the user "bench"); the records committed.
    static int ImportWithDialog(const std::string& file, bool addresses) {
        CTextFile text;
        text.Open(file);
        CImportSession session(
            text, {addresses ? CImportSession::Kind::Addresses : CImportSession::Kind::Schedules,
                   "bench", false, true});
        session.Open();
        if (addresses)
            CAddressLoadDlg(nullptr).Run(session, text, QString::fromStdString(file));
        else
            CSchaduleLoadDlg(nullptr).Run(session, text, QString::fromStdString(file));
        session.Close();
        return session.Committed();
    }

    // Runs command with its output discarded; the seconds it took, or -1 on failure.
    static double Run(const std::vector<std::string>& command) {
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

    static std::string ExecutableDirectory() {
        return std::filesystem::canonical("/proc/self/exe").parent_path().string();
    }
};
