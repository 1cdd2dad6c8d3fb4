#include <QString>

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "ColumnMapping.h"
#include "Cp932.h"
#include "HeaderName.h"
#include "ImportFile.h"
#include "ImportSession.h"
#include "RecordingBackend.h"
#include "TextFile.h"

// The forms current exports write: comma-separated, UTF-8 or UTF-16, column
// names in either width, dates and times as they are written today.
namespace {

std::string Utf16(const std::string& utf8, bool bigEndian) {
    QString text = QString::fromUtf8(utf8);
    std::string bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char16_t unit : text.toStdU16String()) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

template <size_t N> std::string Field(const char (&field)[N]) {
    return CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, N)));
}

class ModernForms : public ::testing::Test {
protected:
    // Imports raw bytes through a session, as both front ends do.
    CImportSummary Import(const std::string& bytes, CImportSession::Kind kind,
                          bool dryRun = false) {
        m_pFile = std::make_unique<CImportFile>(bytes, false);
        CTextFile text;
        EXPECT_TRUE(text.Open(m_pFile->Path()));
        CImportSession session(text, {kind, "alice", false, false, dryRun});
        EXPECT_TRUE(session.Open());
        EXPECT_EQ(session.Begin(), CImportSession::Start::Ready);
        for (CImportSession::Step step = session.Next();
             step != CImportSession::Step::End && step != CImportSession::Step::Failed;
             step = session.Next())
            ;
        EXPECT_TRUE(session.Close() || session.Failed());
        return session.Summary();
    }

    CRecordingBackend m_backend;
    std::unique_ptr<CImportFile> m_pFile;
};

} // namespace

TEST(HeaderNames, BothWidthsFoldToOneName) {
    const std::pair<const char*, const char*> same[] = {
        {"ﾒﾓ", "メモ"},
        {"ｱﾗｰﾑ ｵﾝ/ｵﾌ", "アラーム オン／オフ"},
        {"終日ｲﾍﾞﾝﾄ", "終日イベント"},
        {"電子ﾒｰﾙ ｱﾄﾞﾚｽ", "電子メール　アドレス"},
        {"郵便番号 (会社)", "郵便番号 （会社）"},
        {"Web ﾍﾟｰｼﾞ", "\"Ｗｅｂ ページ\""},
        {"会社電話 2", "  会社電話 ２ "},
    };
    for (const auto& [half, full] : same) {
        EXPECT_EQ(CHeaderName::FoldUtf8(half), CHeaderName::FoldUtf8(full)) << full;
        EXPECT_EQ(CHeaderName::Fold(CTestRecords::Sjis(full)), CHeaderName::FoldUtf8(half))
            << "code page 932 and UTF-8 fold alike: " << full;
    }
    EXPECT_NE(CHeaderName::FoldUtf8("ﾊﾟ"), CHeaderName::FoldUtf8("ハ")) << "the mark is kept";
    EXPECT_NE(CHeaderName::FoldUtf8("姓"), CHeaderName::FoldUtf8("名"));
}

TEST_F(ModernForms, EveryEncodingAndFormStoresTheSameRecords) {
    // Commas, doubled quotes and a line break inside quotes; full-width names.
    const std::string csv = "\"姓\",\"名\",\"会社名\",\"メモ\",\"電子メール アドレス\",\"分類\"\n"
                            "\"佐藤\",\"花子\",\"ケルボ, 東京\",\"一行目\n"
                            "二行目 \"\"引用\"\"\",\"x@y\",\"取引先\"\n"
                            "鈴木,一郎,,,,\n";
    // A spreadsheet where the comma is the decimal mark separates by semicolons.
    std::string semicolons = csv;
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"\",\"", "\";\""},
                                   {"鈴木,一郎,,,,", "鈴木;一郎;;;;"}})
        for (size_t at = semicolons.find(from); at != std::string::npos;
             at = semicolons.find(from, at + to.size()))
            semicolons.replace(at, from.size(), to);
    struct Form {
        const char* name;
        std::string bytes;
        const char* encoding;
        CRecordReader::Form form = CRecordReader::Form::Comma;
    };
    const Form forms[] = {
        {"code page 932, CR LF", CTestRecords::Sjis(Crlf(csv)), "code page 932"},
        {"UTF-8", csv, "UTF-8"},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + csv, "UTF-8 with a byte order mark"},
        {"UTF-16 LE, CR LF", Utf16(Crlf(csv), false), "UTF-16 (little-endian)"},
        {"UTF-16 BE", Utf16(csv, true), "UTF-16 (big-endian)"},
        {"semicolons", semicolons, "UTF-8", CRecordReader::Form::Semicolon},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        m_backend.addedAddresses.clear();
        CImportSummary summary = Import(form.bytes, CImportSession::Kind::Addresses);
        EXPECT_EQ(summary.encoding, form.encoding);
        EXPECT_EQ(summary.form, form.form);
        EXPECT_EQ(summary.added, 2);
        EXPECT_FALSE(summary.HasNotes());
        ASSERT_EQ(m_backend.addedAddresses.size(), 2u);
        const kvAddressRecord& first = m_backend.addedAddresses[0];
        EXPECT_EQ(Field(first.lastName), "佐藤");
        EXPECT_EQ(Field(first.firstName), "花子");
        EXPECT_EQ(Field(first.company), "ケルボ, 東京");
        EXPECT_EQ(Field(first.memo), "一行目\n二行目 \"引用\"");
        EXPECT_EQ(Field(first.email), "x@y");
        EXPECT_EQ(Field(first.category), "取引先");
        EXPECT_EQ(Field(m_backend.addedAddresses[1].firstName), "一郎");
        EXPECT_EQ(Field(m_backend.addedAddresses[1].memo), "");
    }

    // The older tab-separated form now matches full-width names too.
    m_backend.addedAddresses.clear();
    CImportSummary tab = Import(CTestRecords::Sjis("姓\tメモ\t電子メール アドレス\r\n"
                                                   "佐藤\t\"一\r\n二\"\tx@y\r\n"),
                                CImportSession::Kind::Addresses);
    EXPECT_EQ(tab.form, CRecordReader::Form::Tab);
    ASSERT_EQ(m_backend.addedAddresses.size(), 1u);
    EXPECT_EQ(Field(m_backend.addedAddresses[0].memo), "一\n二");
    EXPECT_EQ(Field(m_backend.addedAddresses[0].email), "x@y");
}

TEST_F(ModernForms, CharactersOutsideCodePage932AreReplacedAndCounted) {
    CImportSummary summary =
        Import("姓,会社名,メモ,分類X\n"
               "佐藤,絵文字😀と한글,後ろの値,😀\n"
               "鈴木,〜①−,\n" // other mappings of code page 932's own characters
               "\"高橋\",\"😀\n😀\",\"メモ\"\n",
               CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 3u) << "no record is cut or dropped";
    EXPECT_EQ(Field(m_backend.addedAddresses[0].company), "絵文字〓と〓〓");
    EXPECT_EQ(Field(m_backend.addedAddresses[0].memo), "後ろの値");
    EXPECT_EQ(Field(m_backend.addedAddresses[1].company), "～①－");
    EXPECT_EQ(Field(m_backend.addedAddresses[2].company), "〓\n〓");
    EXPECT_EQ(Field(m_backend.addedAddresses[2].memo), "メモ");
    // The column no field takes is kept whole: nothing of it is replaced.
    EXPECT_EQ(summary.substitutes, 5);
    EXPECT_EQ(summary.substituted, (std::vector<std::pair<int64_t, int>>{{2, 3}, {4, 2}}))
        << "per record, by the line it begins on";
}

TEST_F(ModernForms, SchedulesKeepPlaceAndCommentAndReadTodaysDates) {
    CImportSummary summary =
        Import("件名,開始日,開始時刻,終了日,終了時刻,終日イベント,アラーム オン/オフ,アラーム日付,"
               "アラーム時刻,場所,内容\n"
               "会議,2026/12/8,午前 9:05:00,2026-12-08,午後 1:30:00,FALSE,TRUE,2026/12/8,午前 "
               "8:50:00,本社 3F,\"議題\n予算\"\n"
               "深夜,2026/12/9,午前 12:10:00,2026/12/9,午後 12:00:00,FALSE,FALSE,,,,\n"
               "壊れた,12月8日,25:00,2026/13/1,9:05,FALSE,FALSE,,,,\n",
               CImportSession::Kind::Schedules);
    ASSERT_EQ(m_backend.addedSchedules.size(), 3u);
    const kvScheduleRecord& meeting = m_backend.addedSchedules[0];
    EXPECT_EQ(Field(meeting.place), "本社 3F");
    EXPECT_EQ(Field(meeting.comment), "議題\n予算");
    EXPECT_EQ(meeting.start.yearsSince1900, 126);
    EXPECT_EQ(meeting.start.month, 11);
    EXPECT_EQ(meeting.start.dayOfMonth, 8);
    EXPECT_EQ(meeting.start.hours, 9);
    EXPECT_EQ(meeting.end.dayOfMonth, 8);
    EXPECT_EQ(meeting.end.hours, 13);
    EXPECT_EQ(meeting.end.minutes, 30);
    EXPECT_EQ(meeting.alarmLeadMinutes, 15);
    const kvScheduleRecord& night = m_backend.addedSchedules[1];
    EXPECT_EQ(night.start.hours, 0) << "午前12時 is midnight";
    EXPECT_EQ(night.end.hours, 12) << "午後12時 is noon";

    const kvScheduleRecord& broken = m_backend.addedSchedules[2];
    EXPECT_EQ(broken.start.dayOfMonth, 0) << "left empty, not half read";
    EXPECT_EQ(broken.end.hours, 9) << "what could be read is kept";
    ASSERT_EQ(summary.warnings.size(), 3u);
    EXPECT_EQ(summary.warnings[0].line, 5);
    EXPECT_EQ(summary.warnings[0].kind, CRecordReader::CWarning::Kind::Date);
    EXPECT_EQ(summary.warnings[0].value, CTestRecords::Sjis("12月8日"));
    EXPECT_EQ(summary.warnings[1].kind, CRecordReader::CWarning::Kind::Time);
    EXPECT_EQ(summary.warnings[2].column, CTestRecords::Sjis("終了日"));

    // Outlook in English: its column names, month-first dates, AM and PM.
    m_backend.addedSchedules.clear();
    CImportSummary english =
        Import("\"Subject\",\"Start Date\",\"Start Time\",\"End Date\",\"End Time\",\"All day "
               "event\",\"Reminder on/off\",\"Reminder Date\",\"Reminder Time\",\"Meeting "
               "Organizer\",\"Description\",\"Location\",\"Private\"\r\n"
               "\"Review\",\"12/8/2026\",\"9:00:00 AM\",\"12/8/2026\",\"12:30:00 PM\",\"False\","
               "\"True\",\"12/8/2026\",\"8:45:00 AM\",\"Sato\",\"Budget\",\"Room 3\",\"False\"\r\n"
               "\"Trip\",\"24/12/2026\",\"12:05:00 am\",\"12/25/2026\",\"11:00 pm\",\"True\","
               "\"False\",,,,,,\r\n",
               CImportSession::Kind::Schedules);
    EXPECT_EQ(english.warningCount, 0);
    ASSERT_EQ(m_backend.addedSchedules.size(), 2u);
    const kvScheduleRecord& review = m_backend.addedSchedules[0];
    EXPECT_EQ(Field(review.title), "Review");
    EXPECT_EQ(Field(review.place), "Room 3");
    EXPECT_EQ(Field(review.comment), "Budget");
    EXPECT_EQ(review.start.month, 11);
    EXPECT_EQ(review.start.dayOfMonth, 8);
    EXPECT_EQ(review.start.hours, 9);
    EXPECT_EQ(review.end.hours, 12) << "12:30 PM is after noon";
    EXPECT_EQ(review.alarmLeadMinutes, 15);
    const kvScheduleRecord& trip = m_backend.addedSchedules[1];
    EXPECT_EQ(trip.start.dayOfMonth, 24) << "a first number over 12 is the day";
    EXPECT_EQ(trip.start.month, 11);
    EXPECT_EQ(trip.start.hours, 0) << "12:05 am is after midnight";
    EXPECT_EQ(trip.end.dayOfMonth, 25);
    EXPECT_EQ(trip.end.hours, 23);
    EXPECT_EQ(trip.allDay, 1);

    // The older form keeps its documented reading: no place, no warnings;
    // the columns it does not read are kept beside the entry.
    m_backend.addedSchedules.clear();
    m_backend.originalsSet.clear();
    CImportSummary old = Import(CTestRecords::Sjis("件名\t開始日\t場所\t内容\r\n"
                                                   "会議\t12月8日\t本社\t\"メモ\r\n二行目\"\r\n"),
                                CImportSession::Kind::Schedules);
    ASSERT_EQ(m_backend.addedSchedules.size(), 1u);
    EXPECT_EQ(Field(m_backend.addedSchedules[0].place), "");
    EXPECT_EQ(Field(m_backend.addedSchedules[0].comment), "");
    EXPECT_EQ(m_backend.addedSchedules[0].start.yearsSince1900, 12 - 1900);
    EXPECT_EQ(old.warningCount, 0);
    EXPECT_EQ(old.keptBeside, (std::map<std::string, int>{{CTestRecords::Sjis("場所"), 1},
                                                          {CTestRecords::Sjis("内容"), 1}}));
    ASSERT_EQ(m_backend.originalsSet.size(), 1u);
    EXPECT_EQ(m_backend.originalsSet[0].substr(m_backend.originalsSet[0].find("||") + 2),
              "X-KELVO-COLUMN;NAME=\"場所\":本社\r\n"
              "X-KELVO-COLUMN;NAME=\"内容\":メモ\\n二行目\r\n")
        << "a value over two lines is kept once, whole";
    CImportSummary lost =
        Import("件名\t内容\n会議\t\"Gößmann\nü\"\n", CImportSession::Kind::Schedules);
    EXPECT_EQ(lost.substitutes, 3) << "ö, ß and ü once each, not once per line they were read at";
}

TEST_F(ModernForms, UnclosedQuoteEndsAtTheFileEndAndDryRunStoresNothing) {
    const std::string file = "姓,メモ\n佐藤,\"一行目\n最後まで閉じない";
    CImportSummary dry = Import(file, CImportSession::Kind::Addresses, true);
    for (const std::string& call : m_backend.Calls())
        EXPECT_EQ(call.rfind("kvCopyText(", 0), 0u) << "a dry run opens and stores nothing";
    EXPECT_EQ(dry.checked, 1);
    ASSERT_EQ(dry.warnings.size(), 1u);
    EXPECT_EQ(dry.warnings[0].kind, CRecordReader::CWarning::Kind::OpenQuote);
    EXPECT_EQ(dry.warnings[0].line, 2);
    EXPECT_TRUE(m_backend.importRecords.empty()) << "a dry run is no import to record";

    // An import that cannot be recorded stores nothing.
    m_backend.SetResult("kvBeginImport", 0);
    CImportSummary unrecorded = Import(file, CImportSession::Kind::Addresses);
    EXPECT_TRUE(m_backend.addedAddresses.empty());
    EXPECT_EQ(m_backend.importRecords.size(), 1u) << "begun, never ended";
    m_backend.importRecords.clear();
    m_backend.SetResult("kvBeginImport", 1);

    CImportSummary stored = Import(file, CImportSession::Kind::Addresses);
    EXPECT_EQ(m_backend.importRecords,
              (std::vector<std::string>{"1|\"alice\"|\"alice\"|\"\"|0|\"\"|\"comma-separated\"|"
                                        "\"public: no; duplicate check: no\"",
                                        "end 0"}))
        << "the record begun with the entries' first batch and ended with their last";
    ASSERT_EQ(m_backend.addedAddresses.size(), 1u);
    EXPECT_EQ(Field(m_backend.addedAddresses[0].memo), "一行目\n最後まで閉じない");
    EXPECT_EQ(stored.added, 1);
    EXPECT_EQ(stored.Lines(),
              (std::vector<std::string>{
                  "read as UTF-8, comma-separated", "added 1, updated as duplicates 0, skipped 0",
                  "characters replaced with \x81\xAC: 0 (in 0 records); warnings: 1",
                  "line 2: the file ends inside a quoted value that begins here; the value "
                  "ends there"}));
}

// Lines end at LF, CR LF or a lone CR outside quotes (inside, the break stays
// in the value); a tab-separated value that never closes warns like a
// comma-separated one, with the line where it began.
TEST_F(ModernForms, EveryLineEndAndUnclosedTabValues) {
    CImportSummary mac = Import("\xE5\xA7\x93\tMemo\r" // 姓 (UTF-8), then CR line ends
                                "Sato\tone\rSuzuki\t\"a\rb\"\rTanaka\r",
                                CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 3u) << "lines that end in CR are records";
    EXPECT_EQ(Field(m_backend.addedAddresses[1].lastName), "Suzuki");
    EXPECT_EQ(Field(m_backend.addedAddresses[2].lastName), "Tanaka");
    EXPECT_EQ(mac.added, 3);
    m_backend.addedAddresses.clear();
    Import(Crlf("姓\nSato\n") + "Stray\rCr\r\n", CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 3u) << "a stray CR no longer merges two records";
    EXPECT_EQ(Field(m_backend.addedAddresses[1].lastName), "Stray");

    m_backend.addedAddresses.clear();
    CImportSummary open = Import(Crlf("姓\tメモ\nSato\tfine\nSuzuki\t\"never closed\nand on\n"),
                                 CImportSession::Kind::Addresses);
    ASSERT_EQ(open.warnings.size(), 1u);
    EXPECT_EQ(open.warnings[0].kind, CRecordReader::CWarning::Kind::OpenQuote);
    EXPECT_EQ(open.warnings[0].line, 3) << "where the value began";
}

// A hostile file costs memory by the record, not by the file: a record or
// header with more columns than any export is refused with its line, a line
// beyond 4 MiB is cut, and notes beyond those shown are only counted.
TEST_F(ModernForms, HostileFilesAreBoundedAndSaySo) {
    std::string commas = "姓,名\nSato,Hana\n" + std::string(5000, ',') + "\nSuzuki,Ichiro\n";
    CImportSummary wide = Import(commas, CImportSession::Kind::Addresses);
    EXPECT_EQ(m_backend.addedAddresses.size(), 2u);
    ASSERT_EQ(wide.warnings.size(), 1u);
    EXPECT_EQ(wide.warnings[0].kind, CRecordReader::CWarning::Kind::TooManyColumns);
    EXPECT_EQ(wide.warnings[0].line, 3);

    m_backend.addedAddresses.clear();
    std::string longLine = "姓\tメモ\nSato\t" + std::string(5u << 20, 'x') + "\nSuzuki\tok\n";
    CImportSummary cut = Import(longLine, CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 2u);
    ASSERT_EQ(cut.warnings.size(), 1u);
    EXPECT_EQ(cut.warnings[0].kind, CRecordReader::CWarning::Kind::LongLine);

    std::string dates = "件名,開始日\n";
    for (int i = 0; i < 500; ++i)
        dates += "T" + std::to_string(i) + ",someday\n";
    CImportSummary many = Import(dates, CImportSession::Kind::Schedules);
    EXPECT_EQ(many.warningCount, 500);
    EXPECT_EQ(many.warnings.size(), CImportSummary::kKeptNotes) << "the rest only counted";
    EXPECT_EQ(many.Lines().back(), "... and 480 more");

    // A header wider than any export is refused.
    m_pFile = std::make_unique<CImportFile>("姓" + std::string(5000, '\t') + "名\n", false);
    CTextFile text;
    ASSERT_TRUE(text.Open(m_pFile->Path()));
    CImportSession session(text, {CImportSession::Kind::Addresses, "alice", false, false, false});
    ASSERT_TRUE(session.Open());
    EXPECT_EQ(session.Begin(), CImportSession::Start::NoKnownColumns);
    session.Close();
}

// Encodings at the edges: a UTF-8 file cut inside its last character is
// still UTF-8; a first character beyond ASCII that straddles the 64 KiB read
// is still told right; a UTF-16 file's odd last byte makes no record.
TEST_F(ModernForms, EncodingsAtTheEdgesOfReads) {
    CImportSummary cut = Import("姓\n佐藤\n鈴木\xE4", CImportSession::Kind::Addresses);
    EXPECT_EQ(cut.encoding, "UTF-8");
    ASSERT_EQ(m_backend.addedAddresses.size(), 2u);
    EXPECT_EQ(Field(m_backend.addedAddresses[1].lastName), "鈴木〓");

    m_backend.addedAddresses.clear();
    std::string straddling = std::string(65535, 'x') + "\t姓\nfirst\t佐藤\n";
    CImportSummary wide = Import(straddling, CImportSession::Kind::Addresses);
    EXPECT_EQ(wide.encoding, "UTF-8");
    ASSERT_EQ(m_backend.addedAddresses.size(), 1u);
    EXPECT_EQ(Field(m_backend.addedAddresses[0].lastName), "佐藤");

    m_backend.addedAddresses.clear();
    Import(Utf16("姓\n佐藤\n", false) + "x", CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 1u) << "no phantom record";

    // The first character beyond ASCII at a read's end, cut, and what came
    // of it no UTF-8: code page 932, not a file that turns UTF-8 with the
    // next read (its first lines already handed out as code page 932).
    CImportFile mixed(std::string(65534, 'x') + "\xE9" + "F\n佐藤\n", false);
    CTextFile text;
    ASSERT_TRUE(text.Open(mixed.Path()));
    text.DeliverUnicode(true);
    for (std::string line; text.ReadLine(line);)
        ;
    EXPECT_EQ(text.GetEncoding(), CTextFile::Encoding::Cp932);

    // The same at a line end after the character's first bytes, where a
    // fold inside it could follow (vCard): read a byte at a time, every
    // line comes in the encoding the file is read in at its end.
    CImportFile folded(std::string("N:\xE9\x88\nX:\xE5\xA7\x93\n"), false);
    CTextFile bytes;
    ASSERT_TRUE(bytes.Open(folded.Path()));
    bytes.DeliverUnicode(true);
    bytes.SetChunk(1);
    std::vector<std::string> lines;
    for (std::string line; bytes.ReadLine(line);)
        lines.push_back(line);
    EXPECT_EQ(bytes.GetEncoding(), CTextFile::Encoding::Cp932);
    EXPECT_EQ(lines, (std::vector<std::string>{"N:\xE9\x88\n", "X:\xE5\xA7\x93\n"}));
}

TEST_F(ModernForms, OtherProgramsAddressBooksAreRead) {
    // Thunderbird (English), Outlook in English, Google Contacts (its older
    // header: readings, " ::: " values, typed phones) and a New Year card
    // list (a whole name and reading split at the blank, full-width ＴＥＬ).
    Import("First Name,Last Name,Display Name,Primary Email,Work Phone,Mobile Number,"
           "Home Address,Home City,Organization,Notes\n"
           "Hans,Schmidt,Hans Schmidt,hans@example.de,+49 30 1,+49 170 1,Hauptstr. 1,Berlin,"
           "Schmidt GmbH,\"a\nb\"\n",
           CImportSession::Kind::Addresses);
    Import("\"First Name\",\"Last Name\",\"Company\",\"Business Street\",\"Business City\","
           "\"Business Postal Code\",\"E-mail Address\"\n"
           "\"John\",\"Smith\",\"Acme\",\"1 Main St\",\"Springfield\",\"62701\",\"j@acme.com\"\n",
           CImportSession::Kind::Addresses);
    CImportSummary google = Import(
        "Name,Given Name,Family Name,Given Name Yomi,Family Name Yomi,E-mail 1 - Type,"
        "E-mail 1 - Value,E-mail 2 - Label,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,"
        "Phone 2 - Value,Organization 1 - Name\n"
        "山田 太郎,太郎,山田,たろう,やまだ,* Home,t@example.jp ::: t2@example.jp,Other,Mobile,"
        "090-1,Work,03-1 ::: 03-2,山田商事\n",
        CImportSession::Kind::Addresses);
    CImportSummary card =
        Import("氏名,フリガナ,敬称,〒,住所1,住所2,ＴＥＬ,携帯\n"
               "佐藤　花子,さとう はなこ,様,100-0001,千代田区1-1,ハイツ101,03-1,090-2\n",
               CImportSession::Kind::Addresses);
    ASSERT_EQ(m_backend.addedAddresses.size(), 4u);
    const kvAddressRecord& hans = m_backend.addedAddresses[0];
    EXPECT_EQ(
        Field(hans.lastName) + "/" + Field(hans.firstName) + "/" + Field(hans.email) + "/" +
            Field(hans.businessPhone) + "/" + Field(hans.mobilePhone) + "/" +
            Field(hans.homeStreet) + "/" + Field(hans.homeCity) + "/" + Field(hans.company) + "/" +
            Field(hans.memo),
        "Schmidt/Hans/hans@example.de/+49 30 1/+49 170 1/Hauptstr. 1/Berlin/Schmidt GmbH/a\nb");
    const kvAddressRecord& john = m_backend.addedAddresses[1];
    EXPECT_EQ(Field(john.lastName) + "/" + Field(john.businessStreet) + "/" +
                  Field(john.businessCity) + "/" + Field(john.businessPostalCode) + "/" +
                  Field(john.email),
              "Smith/1 Main St/Springfield/62701/j@acme.com");
    const kvAddressRecord& taro = m_backend.addedAddresses[2];
    EXPECT_EQ(Field(taro.lastName) + "/" + Field(taro.firstName) + "/" +
                  Field(taro.lastNameReading) + "/" + Field(taro.nameReading) + "/" +
                  Field(taro.email) + "/" + Field(taro.mobilePhone) + "/" +
                  Field(taro.businessPhone) + "/" + Field(taro.company),
              "山田/太郎/やまだ/たろう/t@example.jp/090-1/03-1/山田商事");
    EXPECT_EQ(google.keptBeside.count("E-mail 1 - Value"), 1u) << "the second address is kept";
    EXPECT_EQ(google.keptBeside.count("E-mail 1 - Type"), 1u) << "a label no field holds";
    EXPECT_EQ(google.keptBeside.count("E-mail 2 - Label"), 0u) << "the label the export writes";
    EXPECT_TRUE(std::any_of(
        m_backend.originalsSet.begin(), m_backend.originalsSet.end(),
        [](const std::string& kept) { return kept.find("Phone 2 - Value\":03-2") != kept.npos; }));
    const kvAddressRecord& hanako = m_backend.addedAddresses[3];
    EXPECT_EQ(Field(hanako.lastName) + "/" + Field(hanako.firstName) + "/" +
                  Field(hanako.lastNameReading) + "/" + Field(hanako.nameReading) + "/" +
                  Field(hanako.homeStreet) + "/" + Field(hanako.homePhone) + "/" +
                  Field(hanako.mobilePhone),
              "佐藤/花子/さとう/はなこ/千代田区1-1ハイツ101/03-1/090-2");
    EXPECT_EQ(card.keptBeside, (std::map<std::string, int>{{CTestRecords::Sjis("〒"), 1},
                                                           {CTestRecords::Sjis("敬称"), 1}}))
        << "the record has no home postal code: kept beside it";
}

TEST_F(ModernForms, APersonsMappingSaysWhereColumnsGo) {
    CRecordReader::CMapping mapping;
    std::string why;
    ASSERT_TRUE(CColumnMapping::Parse("\xEF\xBB\xBF# mine\nよみ仮名 = フリガナ\n携帯X=携帯電話\n"
                                      "誕生日 = -\n\n",
                                      mapping, why));
    EXPECT_EQ(mapping, (CRecordReader::CMapping{
                           {"よみ仮名", "フリガナ"}, {"携帯X", "携帯電話"}, {"誕生日", ""}}));
    EXPECT_FALSE(CColumnMapping::Parse("a = b\n= c\n", mapping, why));
    EXPECT_EQ(why, "line 2 is not \"header = field\"");
    ASSERT_TRUE(
        CColumnMapping::Parse(CColumnMapping::Text({{"a", ""}, {"b", "姓"}}), mapping, why));
    EXPECT_EQ(mapping, (CRecordReader::CMapping{{"a", ""}, {"b", "姓"}}));

    CImportFile file("氏名,よみ仮名,携帯X,誕生日\n山田 太郎,やまだ たろう,090-1,1980-01-01\n",
                     false);
    CTextFile text;
    ASSERT_TRUE(text.Open(file.Path()));
    CImportSession::COptions options{CImportSession::Kind::Addresses, "alice", false, false};
    options.mapping = {
        {"よみ仮名", "フリガナ"}, {"携帯X", "携帯電話"}, {"誕生日", ""}, {"x", "無い欄"}};
    CImportSession session(text, options);
    ASSERT_TRUE(session.Open());
    ASSERT_EQ(session.Begin(), CImportSession::Start::Ready);
    EXPECT_EQ(session.UnknownTargets(), std::vector<std::string>{"無い欄"});
    while (session.Next() != CImportSession::Step::End)
        ;
    ASSERT_EQ(m_backend.addedAddresses.size(), 1u);
    const kvAddressRecord& taro = m_backend.addedAddresses[0];
    EXPECT_EQ(Field(taro.lastNameReading) + "/" + Field(taro.nameReading) + "/" +
                  Field(taro.mobilePhone),
              "やまだ/たろう/090-1");
    // What a person choosing sees: each column, where it goes, its first values.
    std::vector<std::string> columns;
    for (const CRecordReader::CColumn& column : session.Columns())
        columns.push_back(column.header + ">" + column.target + ":" + column.samples.at(0));
    EXPECT_EQ(columns,
              (std::vector<std::string>{"氏名>氏名:山田 太郎", "よみ仮名>フリガナ:やまだ たろう",
                                        "携帯X>携帯電話:090-1", "誕生日>:1980-01-01"}));
}
