#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/stat.h>

#include "AdminProcessTest.h"

// Every entry out in each format and into an empty groupware again.
namespace {

using Export = AdminProcessTest;
KELVO_ON_BOTH_ENGINES(Export);

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

TEST_P(Export, EveryFormatRoundTripsThroughAnEmptyGroupware) {
    ASSERT_EQ(Admin({"demo"}).status, 0);
    // Besides the demo's entries: texts with every character the formats escape.
    CImportFile card("BEGIN:VCARD\nN:記号\\;だらけ;カンマ\\,と\\\\\nORG:会社\"引用\"\n"
                     "NOTE:一行目\\n二行目; 三\\, 四\nTEL;TYPE=home;PREF=2:03-0000-0002\n"
                     "CATEGORIES:分類\\,一\nEND:VCARD\n"
                     // and values a spreadsheet would take for formulas
                     "BEGIN:VCARD\nN:=1+1;@user\nORG:'=literal\nTEL;TYPE=work:+81-3-1234-5678\n"
                     "NOTE:-dash\nEND:VCARD\n",
                     false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "guest09", card.Path()}).status, 0);
    // And times no calendar has, as the older Outlook form stores them: a date
    // left empty (1900/01/00), a thirteenth month.
    CImportFile odd("件名\t開始日\t開始時刻\t終了日\r\n日付なし\t\t10:00\t\r\n"
                    "終わりが変\t2026/12/1\t9:00\t2026/13/40\r\n");
    ASSERT_EQ(Admin({"import", "schedules", "--owner", "guest09", odd.Path()}).status, 0);
    const std::string users = Admin({"user", "list"}).out;
    std::vector<std::string> names = SortedLines(users);

    QTemporaryDir folder;
    for (const auto& [addresses, schedules] :
         {std::pair<const char*, const char*>{"vcard", "ical"}, {"outlook", "outlook"}}) {
        SCOPED_TRACE(addresses);
        CTempDatabase target(GetParam());
        auto admin = [&](std::vector<std::string> args) {
            args.insert(args.begin(), {"--database", target.Path()});
            return CProcessRunner::Run(KELVO_TEST_ADMIN, args, CProcessRunner::COptions{});
        };
        ASSERT_EQ(admin({"init"}).status, 0);
        for (const std::string& name : names)
            ASSERT_EQ(admin({"user", "add", name, "--password", "pw", "--allow-weak"}).status, 0);
        for (size_t i = 0; i < names.size(); ++i)
            for (const std::string visibility : {"", "--public"}) {
                std::vector<std::pair<std::string, const char*>> kinds = {{"schedules", schedules}};
                if (visibility.empty() || i == 0) // the public address book is everyone's
                    kinds.emplace_back("addresses", addresses);
                for (const auto& [kind, format] : kinds) {
                    const std::string path = folder.filePath("out").toStdString();
                    std::vector<std::string> out = {"export",   kind,   "--owner", names[i],
                                                    "--format", format, path};
                    std::vector<std::string> in = {"import", kind, "--owner", names[i], path};
                    if (!visibility.empty()) {
                        out.push_back(visibility);
                        in.push_back(visibility);
                    }
                    auto exported = Admin(out);
                    ASSERT_EQ(exported.status, 0) << exported.err;
                    auto imported = admin(in);
                    ASSERT_EQ(imported.status, 0) << imported.err << imported.out;
                }
            }
        for (const std::string& name : names)
            for (const std::string kind : {"addresses", "schedules"}) {
                SCOPED_TRACE(name + " " + kind);
                std::string before = Dump(kind, name);
                auto after = admin({"dump", kind, "--owner", name});
                ASSERT_EQ(after.status, 0);
                if (std::string(schedules) == "outlook") {
                    // Outlook's form has no entry without an end, nor a date no
                    // calendar has: they come back with the end empty.
                    for (const char* gone : {"\t1970/01/00 00:00\t", "\t2026/13/40 00:00\t"})
                        for (size_t at; (at = before.find(gone)) != std::string::npos;)
                            before.replace(at, 18, "\t1900/01/00 00:00\t");
                }
                EXPECT_EQ(SortedLines(after.out), SortedLines(before));
            }
    }

    // To standard output without a file; the same entries keep their UIDs.
    auto first = Admin({"export", "schedules", "--owner", "山田太郎", "--public"});
    auto second = Admin({"export", "schedules", "--owner", "山田太郎", "--public"});
    ASSERT_EQ(first.status, 0) << first.err;
    auto uids = [](const std::string& text) {
        std::set<std::string> found;
        for (const std::string& line : SortedLines(text))
            if (line.rfind("UID:", 0) == 0)
                found.insert(line);
        return found;
    };
    EXPECT_FALSE(uids(first.out).empty());
    EXPECT_EQ(uids(first.out), uids(second.out));
    EXPECT_NE(first.out.find("BEGIN:VTIMEZONE\r\n"), std::string::npos);
    EXPECT_EQ(Admin({"export", "addresses", "--owner", "guest09", "--format", "ical"}).status, 1);
}

TEST_P(Export, PrivateFilesStayPrivateAndFormulaCellsAreGuarded) {
    ASSERT_EQ(Admin({"demo"}).status, 0);
    CImportFile card("BEGIN:VCARD\nN:=HYPERLINK(\"http://x\");太郎\nORG:'=literal\n"
                     "TEL;TYPE=work:+81-3-1234-5678\nEND:VCARD\n",
                     false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "guest09", card.Path()}).status, 0);
    QTemporaryDir folder;
    // Under the usual umask: a person's own entries 0600, the public ones as any new file.
    CProcessRunner::COptions umask022;
    umask022.inChild = [] { umask(022); };
    auto mode = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
    };
    const std::string own = folder.filePath("own.csv").toStdString();
    const std::string shared = folder.filePath("shared.ics").toStdString();
    ASSERT_EQ(
        Admin({"export", "addresses", "--owner", "guest09", "--format", "outlook", own}, umask022)
            .status,
        0);
    ASSERT_EQ(
        Admin({"export", "schedules", "--owner", "guest09", "--public", shared}, umask022).status,
        0);
    EXPECT_EQ(mode(own), 0600u);
    EXPECT_EQ(mode(shared), 0644u);

    std::ifstream in(own, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(csv.find("\"'=HYPERLINK(\"\"http://x\"\")\""), std::string::npos) << csv;
    EXPECT_NE(csv.find("\"'+81-3-1234-5678\""), std::string::npos);
    EXPECT_NE(csv.find("\"''=literal\""), std::string::npos) << "an apostrophe of its own kept";
}
