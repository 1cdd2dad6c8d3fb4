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
    for (const auto& [addresses, schedules] : {std::pair<const char*, const char*>{"vcard", "ical"},
                                               {"outlook", "outlook"},
                                               {"ldif", "ical"},
                                               {"google", "ical"}}) {
        SCOPED_TRACE(addresses);
        // The other programs' forms touch no engine code of their own: one engine reads them.
        if (std::string(addresses) != "vcard" && std::string(addresses) != "outlook" &&
            std::string(GetParam()) != "sqlite")
            continue;
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

// Export, import into an empty groupware, export again: the two exports are
// equal, and carry every character and property the files came with, a
// series as a series.
TEST_P(Export, WhatCameBackIsExportedTheSame) {
    // The demo's entries (no originals) among them.
    ASSERT_EQ(Admin({"demo"}).status, 0);
    const std::string photo(2000, 'A');
    CImportFile cards(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Müller;Hans;Peter;Dr.;\r\nFN:Dr. Hans Müller\r\n"
        "ORG:Gößmann & Peña GmbH;Vertrieb\r\nTITLE:Leiter – Export\r\n"
        "ADR;TYPE=work:;;Königstraße 1;Stuttgart;BW;70173;Deutschland\r\n"
        "EMAIL:a@example.de\r\nEMAIL:b@example.de\r\nEMAIL:c@example.de\r\n"
        "BDAY:19700101\r\nNICKNAME:Hansi\r\nX-CUSTOM;TYPE=x:Wert\r\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:" +
            photo + "\r\nNOTE:" + std::string(40000, 'n') +
            "\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:4.0\r\nN:𠮷田;髙子;;;\r\nFN:𠮷田 髙子\r\n"
            "TEL;TYPE=cell:090-0000-0001\r\nTEL;TYPE=cell:090-0000-0002\r\n"
            "CATEGORIES:取引先,重要\r\nUID:urn:uuid:0001\r\nEND:VCARD\r\n",
        false);
    CImportFile calendar(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
        "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
        "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
        // A 2020 series that ended long ago: every occurrence kept, given back as one.
        "BEGIN:VEVENT\r\nUID:series-2020@example\r\nDTSTAMP:20200101T000000Z\r\n"
        "DTSTART;TZID=Europe/Berlin:20200106T100000\r\nDTEND;TZID=Europe/Berlin:20200106T110000\r\n"
        "RRULE:FREQ=WEEKLY;COUNT=26\r\nEXDATE;TZID=Europe/Berlin:20200113T100000\r\n"
        "SUMMARY:Jour fixe – Müller\r\nATTENDEE;CN=Hans:mailto:a@example.de\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:series-2020@example\r\nDTSTAMP:20200101T000000Z\r\n"
        "RECURRENCE-ID;TZID=Europe/Berlin:20200120T100000\r\n"
        "DTSTART;TZID=Europe/Berlin:20200121T150000\r\nDTEND;TZID=Europe/Berlin:20200121T160000\r\n"
        "SUMMARY:Jour fixe (verschoben)\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:single@example\r\nDTSTAMP:20261201T000000Z\r\n"
        "DTSTART:20261210T010000Z\r\nDTEND:20261210T020000Z\r\nSUMMARY:𠮷田さんと打ち合わせ\r\n"
        "ORGANIZER:mailto:yoshida@example.jp\r\nCATEGORIES:仕事\r\nURL:https://example.jp/\r\n"
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\n"
        "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;VALUE=DATE-TIME:20261210T000000Z\r\n"
        "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
        false);
    ASSERT_EQ(Admin({"import", "addresses", "--owner", "guest09", cards.Path()}).status, 0);
    auto imported = Admin({"import", "schedules", "--owner", "guest09", calendar.Path()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(FirstLine(imported.out), "stored 26 schedule records\n")
        << "25 of the series (one excluded) and the single event";

    QTemporaryDir folder;
    for (const auto& [kind, format] :
         {std::pair<std::string, std::string>{"addresses", "vcard"}, {"schedules", "ical"}}) {
        SCOPED_TRACE(kind);
        auto first = Admin({"export", kind, "--owner", "guest09", "--format", format});
        ASSERT_EQ(first.status, 0) << first.err;
        CTempDatabase target(GetParam());
        auto admin = [&](std::vector<std::string> args) {
            args.insert(args.begin(), {"--database", target.Path()});
            return CProcessRunner::Run(KELVO_TEST_ADMIN, args, CProcessRunner::COptions{});
        };
        ASSERT_EQ(admin({"init"}).status, 0);
        ASSERT_EQ(admin({"user", "add", "guest09", "--password", "pw", "--allow-weak"}).status, 0);
        const std::string path = folder.filePath("first").toStdString();
        std::ofstream(path, std::ios::binary) << first.out;
        auto again = admin({"import", kind, "--owner", "guest09", path});
        ASSERT_EQ(again.status, 0) << again.err;
        auto second = admin({"export", kind, "--owner", "guest09", "--format", format});
        ASSERT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(second.out, first.out);
        if (kind == "addresses") {
            for (const char* given :
                 {"N:Müller;Hans;Peter;Dr.;", "FN:Dr. Hans Müller",
                  "ORG:Gößmann & Peña GmbH;Vertrieb", "TITLE:Leiter – Export",
                  "Königstraße 1;Stuttgart;BW;70173;Deutschland", "EMAIL:c@example.de",
                  "BDAY:19700101", "NICKNAME:Hansi", "X-CUSTOM;TYPE=x:Wert", "N:𠮷田;髙子;;;",
                  "TEL;TYPE=cell:090-0000-0002", "CATEGORIES:取引先,重要", "UID:urn:uuid:0001"})
                EXPECT_NE(first.out.find(given), std::string::npos) << given;
            EXPECT_NE(first.out.find("NOTE:" + std::string(60, 'n')), std::string::npos);
            EXPECT_EQ(std::count(first.out.begin(), first.out.end(), 'n') >= 40000, true)
                << "the whole memo, beyond the field's 32 KiB";
        } else {
            for (const char* given :
                 {"RRULE:FREQ=WEEKLY;COUNT=26", "RECURRENCE-ID;TZID=Europe/Berlin:20200120T100000",
                  "TZID:Europe/Berlin", "SUMMARY:Jour fixe – Müller", "UID:single@example",
                  "SUMMARY:𠮷田さんと打ち合わせ", "ORGANIZER:mailto:yoshida@example.jp",
                  "TRIGGER;VALUE=DATE-TIME:20261210T000000Z"})
                EXPECT_NE(first.out.find(given), std::string::npos) << given;
            EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'),
                      std::count(second.out.begin(), second.out.end(), '\n'));
            size_t events = 0;
            for (size_t at = 0;
                 (at = first.out.find("UID:series-2020@example", at)) != std::string::npos; ++at)
                ++events;
            EXPECT_EQ(events, 2u) << "the series as its event and its moved instance";
        }
    }
}
