#include <QString>

#include <gtest/gtest.h>

#include "Cp932.h"
#include "ImportFile.h"
#include "ImportSession.h"
#include "RecordingBackend.h"
#include "TextFile.h"
#include "VCardReader.h"

// vCard files as phones, address-book programs and web services write them,
// through the import session both front ends use.
namespace {

template <size_t N> std::string Field(const char (&field)[N]) {
    return CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, N)));
}

std::string QuotedPrintable(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes)
        text += std::string("=") + kHex[c >> 4] + kHex[c & 15];
    return text;
}

std::string Utf16Le(const std::string& utf8) {
    std::string bytes("\xFF\xFE", 2);
    for (char16_t unit : QString::fromUtf8(utf8.c_str()).toStdU16String())
        bytes += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

class VCards : public ::testing::Test {
protected:
    CImportSummary Import(const std::string& bytes,
                          CImportSession::Kind kind = CImportSession::Kind::Addresses,
                          CImportSession::Start expected = CImportSession::Start::Ready) {
        m_backend.addedAddresses.clear();
        CImportFile file(bytes, false);
        CTextFile text;
        EXPECT_TRUE(text.Open(file.Path()));
        CImportSession session(text, {kind, "alice", false, false});
        EXPECT_TRUE(session.Open());
        EXPECT_EQ(session.Begin(), expected);
        while (session.Next() != CImportSession::Step::End)
            ;
        EXPECT_TRUE(session.Close());
        return session.Summary();
    }

    const kvAddressRecord& Added(size_t i) { return m_backend.addedAddresses.at(i); }

    CRecordingBackend m_backend;
};

} // namespace

TEST_F(VCards, PhoneStyleShiftJisQuotedPrintableWithSoftBreaks) {
    // A Japanese phone's vCard 2.1: Shift_JIS bytes quoted-printable, a soft
    // line break inside the note, the reading in half-width katakana, bare types.
    const std::string sjisName = QuotedPrintable(CTestRecords::Sjis("山田")) + ";" +
                                 QuotedPrintable(CTestRecords::Sjis("太郎"));
    const std::string note = QuotedPrintable(CTestRecords::Sjis("ソ表一行目\r\n"));
    const std::string file =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
        sjisName + ";;;\r\n" +
        CTestRecords::Sjis("SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ﾔﾏﾀﾞ;ﾀﾛｳ;;;\r\n") +
        "TEL;CELL:090-1111-2222\r\nTEL;VOICE:03-1111-2222\r\nTEL;HOME:03-3333-4444\r\n"
        "TEL;HOME:03-5555-6666\r\nTEL;FAX:03-7777-8888\r\n"
        "EMAIL;INTERNET;PREF:taro@example.jp\r\n"
        "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=SHIFT_JIS:" +
        note + "=\r\n" + QuotedPrintable(CTestRecords::Sjis("二行目")) +
        "\r\n"
        "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ\r\n AAAA\r\n\r\n"
        "END:VCARD\r\n";
    CImportSummary summary = Import(file);
    EXPECT_EQ(summary.encoding, "code page 932");
    EXPECT_EQ(summary.form, CRecordReader::Form::VCard);
    EXPECT_EQ(summary.units, 1);
    ASSERT_EQ(summary.added, 1);
    const kvAddressRecord& card = Added(0);
    EXPECT_EQ(Field(card.owner), "alice");
    EXPECT_EQ(Field(card.lastName), "山田");
    EXPECT_EQ(Field(card.firstName), "太郎");
    EXPECT_EQ(Field(card.lastNameReading), "ﾔﾏﾀﾞ");
    EXPECT_EQ(Field(card.nameReading), "ﾀﾛｳ");
    EXPECT_EQ(Field(card.mobilePhone), "090-1111-2222");
    EXPECT_EQ(Field(card.homePhone), "03-1111-2222") << "a number of no other type is a home one";
    EXPECT_EQ(Field(card.homePhone2), "03-3333-4444");
    EXPECT_EQ(Field(card.businessFax), "03-7777-8888");
    EXPECT_EQ(Field(card.email), "taro@example.jp");
    // 0x5C is the second byte of ソ and 表: no escape, and the break is LF.
    EXPECT_EQ(Field(card.memo), "ソ表一行目\n二行目");
    // What has no field is kept beside the entry, nothing is dropped.
    EXPECT_TRUE(summary.notCarried.empty());
    EXPECT_EQ(summary.keptBeside,
              (std::map<std::string, int>{{"PHOTO", 1}, {"SOUND", 1}, {"TEL", 1}}));
}

TEST_F(VCards, GroupsTypesEscapesAndEveryEncoding) {
    const std::string cards =
        "BEGIN:VCARD\nVERSION:3.0\n"
        "N:鈴木;花子;;;\nFN:鈴木 花子\n"
        "ORG:株式会社サンプル;営業部\nTITLE:課長\n"
        "item1.TEL;TYPE=\"work,voice\":03-1000-0001\n"
        "item2.TEL;type=WORK;type=VOICE:03-1000-0002\n"
        "item3.TEL;type=WORK;type=FAX:03-1000-0003\n"
        "item1.X-ABLabel:_$!<Work>!$_\n"
        "EMAIL;type=INTERNET:a@example.com\nEMAIL:b@example.com\nEMAIL:c@example.com\n"
        "ADR;TYPE=work:;ビル 5F;丸の内 1-1;千代田区;東京都;100-0005;日本\n"
        "X-PHONETIC-LAST-NAME:すずき\nX-PHONETIC-FIRST-NAME:はなこ\n"
        "SORT-STRING:ちがう\n"
        "CATEGORIES:取引先\\,東京,重要\n"
        "NOTE:カンマ\\, セミコロン\\; 改行\\n次\n"
        "END:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\n"
        "FN:佐藤 一郎\nN;SORT-AS=\"サトウ,イチロウ\":佐藤;一郎;;;\n"
        "TEL;VALUE=uri;TYPE=home:tel:+81-6-1234-5678\n"
        "ADR;TYPE=home:;;本町 2-2;大阪市;大阪府;530-0001;\n"
        "URL:https://example.jp/\nBDAY:19800101\n"
        "END:VCARD\n"
        "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:名前だけ\nORG:会社だけ\nEND:VCARD\n";
    const std::pair<const char*, std::string> files[] = {
        {"UTF-8", cards},
        {"UTF-8 with BOM, CR LF, folded",
         "\xEF\xBB\xBF" +
             [&] {
                 std::string crlf;
                 for (char c : cards)
                     crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
                 // A folded line: the blank that continues it is dropped.
                 const std::string title = "TITLE:課長";
                 crlf.replace(crlf.find(title), title.size(), "TITLE:課\r\n 長");
                 return crlf;
             }()},
        {"UTF-16", Utf16Le(cards)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        CImportSummary summary = Import(bytes);
        EXPECT_EQ(summary.units, 3);
        ASSERT_EQ(summary.added, 3);
        const kvAddressRecord& suzuki = Added(0);
        EXPECT_EQ(Field(suzuki.company), "株式会社サンプル");
        EXPECT_EQ(Field(suzuki.title), "課長");
        EXPECT_EQ(Field(suzuki.businessPhone), "03-1000-0001");
        EXPECT_EQ(Field(suzuki.businessPhone2), "03-1000-0002");
        EXPECT_EQ(Field(suzuki.businessFax), "03-1000-0003");
        EXPECT_EQ(Field(suzuki.email2), "b@example.com");
        EXPECT_EQ(Field(suzuki.businessPostalCode), "100-0005");
        EXPECT_EQ(Field(suzuki.businessPrefecture), "東京都");
        EXPECT_EQ(Field(suzuki.businessCity), "千代田区");
        EXPECT_EQ(Field(suzuki.businessStreet), "丸の内 1-1 ビル 5F");
        EXPECT_EQ(Field(suzuki.lastNameReading), "すずき") << "X-PHONETIC-* comes first";
        EXPECT_EQ(Field(suzuki.nameReading), "はなこ");
        EXPECT_EQ(Field(suzuki.category), "取引先,東京");
        EXPECT_EQ(Field(suzuki.memo), "カンマ, セミコロン; 改行\n次");
        const kvAddressRecord& sato = Added(1);
        EXPECT_EQ(Field(sato.lastNameReading), "サトウ");
        EXPECT_EQ(Field(sato.nameReading), "イチロウ");
        EXPECT_EQ(Field(sato.homePhone), "+81-6-1234-5678");
        EXPECT_EQ(Field(sato.homeStreet), "本町 2-2");
        EXPECT_EQ(Field(sato.homeCity), "大阪市");
        EXPECT_EQ(Field(sato.webPage), "https://example.jp/");
        EXPECT_EQ(Field(Added(2).lastName), "名前だけ") << "FN where N is empty";
        EXPECT_EQ(Field(Added(2).company), "会社だけ");
        EXPECT_TRUE(summary.notCarried.empty());
        EXPECT_EQ(summary.keptBeside, (std::map<std::string, int>{{"ADR", 2},
                                                                  {"BDAY", 1},
                                                                  {"CATEGORIES", 1},
                                                                  {"EMAIL", 1},
                                                                  {"ORG", 1},
                                                                  {"SORT-STRING", 1},
                                                                  {"X-ABLABEL", 1}}));
    }
}

TEST_F(VCards, PhoneBackupsDialects) {
    // A phone's backup: a card around the cards naming their set, a group by
    // name, a card nested under AGENT, the maker's own properties; a card in
    // another set in the same file.
    const std::string file =
        CTestRecords::Sjis("BEGIN:VCARD\r\nX-SD-VERN:VF1.0\r\nX-SD-CHAR_CODE:SJIS\r\n"
                           "BEGIN:VCARD\r\nVERSION:2.1\r\nN:山田;太郎\r\n"
                           "SOUND;X-IRMC-N:ﾔﾏﾀﾞ;ﾀﾛｳ;;;\r\nX-GNO:2\r\nX-GN:友人\r\n"
                           "X-DCM-RINGSET:3\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
                           "N:秘書;花子\r\nEND:VCARD\r\nTEL;CELL:090-1111-2222\r\n"
                           "END:VCARD\r\nEND:VCARD\r\n") +
        "BEGIN:VCARD\r\nX-SD-CHAR_CODE:UTF-8\r\nVERSION:2.1\r\nN:鈴木;一郎\r\n"
        "CATEGORIES:取引先\r\nX-GN:友人\r\nEND:VCARD\r\n";
    CImportSummary summary = Import(file);
    EXPECT_EQ(summary.encoding, "code page 932");
    EXPECT_EQ(summary.added, 2);
    EXPECT_EQ(summary.warningCount, 0);
    EXPECT_TRUE(summary.notCarried.empty());
    EXPECT_EQ(summary.keptBeside,
              (std::map<std::string, int>{
                  {"AGENT", 1}, {"SOUND", 1}, {"X-DCM-RINGSET", 1}, {"X-GN", 2}, {"X-GNO", 1}}));
    ASSERT_EQ(m_backend.addedAddresses.size(), 2u);
    EXPECT_EQ(Field(Added(0).lastName), "山田");
    EXPECT_EQ(Field(Added(0).lastNameReading), "ﾔﾏﾀﾞ");
    EXPECT_EQ(Field(Added(0).category), "友人");
    EXPECT_EQ(Field(Added(0).mobilePhone), "090-1111-2222") << "read after the nested card";
    EXPECT_EQ(Field(Added(1).lastName), "鈴木") << "read in the set its card names";
    EXPECT_EQ(Field(Added(1).category), "取引先") << "the card's own category comes first";
    ASSERT_FALSE(m_backend.originalsSet.empty());
    EXPECT_NE(m_backend.originalsSet[0].find("AGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
                                             "N:秘書;花子\r\nEND:VCARD\r\n"),
              std::string::npos)
        << "the nested card kept whole, in order";
}

TEST_F(VCards, BrokenCardsAreSkippedWithTheirLinesAndTheRestImported) {
    CImportSummary summary =
        Import("BEGIN:VCARD\nN:壊れた行の;ある\nこれは項目ではない\nEND:VCARD\n"
               "BEGIN:VCARD\nN:終わらない;カード\n"
               "BEGIN:VCARD\nN:次の;カード\nEND:VCARD\n"
               "BEGIN:VCARD\nN:最後;の\n");
    EXPECT_EQ(summary.units, 4);
    EXPECT_EQ(summary.added, 2);
    EXPECT_EQ(summary.skipped, 2);
    std::vector<CImportSummary::CNote> notes = summary.Notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].line, 3);
    EXPECT_EQ(CImportSummary::NoteText(notes[0]),
              "not a property, passed over: \"" + CTestRecords::Sjis("これは項目ではない") + "\"");
    EXPECT_EQ(notes[1].line, 5) << "a card that another begins inside has no end";
    EXPECT_EQ(CImportSummary::NoteText(notes[1]), "VCARD without END:VCARD; skipped");
    EXPECT_EQ(notes[2].line, 10) << "nor has one the file ends in";
    EXPECT_EQ(Field(Added(0).lastName), "壊れた行の");
    EXPECT_EQ(Field(Added(1).lastName), "次の");

    // A card of many lines that are no property: each counted, but the reader
    // holds no more notes than it keeps (a 57 MB card once held 1.3 GB of them).
    std::string many = "BEGIN:VCARD\nN:多い;行\n";
    for (int i = 0; i < 10000; ++i)
        many += "garbage\n";
    many += "END:VCARD\n";
    CImportFile manyFile(many, false);
    CTextFile manyText;
    ASSERT_TRUE(manyText.Open(manyFile.Path()));
    CVCardReader reader(manyText, false);
    ASSERT_EQ(reader.Begin(), CRecordReader::Start::Ready);
    ASSERT_EQ(reader.Next(), CRecordReader::Step::Record);
    EXPECT_EQ(reader.TakeWarnings().size(), CRecordReader::kKeptWarnings);
    EXPECT_EQ(reader.TakeUntold(), 10000 - static_cast<int64_t>(CRecordReader::kKeptWarnings));
    EXPECT_EQ(Import(many).warningCount, 10000);

    // A vCard given to the schedule import says what it is and stores nothing.
    CImportSummary other =
        Import("BEGIN:VCARD\nN:a;b\nEND:VCARD\n", CImportSession::Kind::Schedules,
               CImportSession::Start::OtherKind);
    EXPECT_EQ(other.otherForm, CRecordReader::Form::VCard);
    EXPECT_TRUE(m_backend.addedSchedules.empty());
}

TEST_F(VCards, RealFilesFaultsAreMended) {
    // A web address book folds by bytes, inside a character: unfolded before
    // the encoding is told, the name is UTF-8, not code page 932 garble.
    CImportSummary folded = Import("BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xE5\xB1\r\n \xB1\xE7\x94\xB0;"
                                   "\xE5\xA4\xAA\xE9\x83\x8E;;;\r\nEND:VCARD\r\n");
    EXPECT_EQ(folded.encoding, "UTF-8");
    ASSERT_EQ(folded.added, 1);
    EXPECT_EQ(Field(Added(0).lastName), "山田");

    // Line ends converted twice (CR CR LF): a photo's folded lines go on, and
    // a pager is kept beside the entry, not stored as the home phone.
    CImportSummary twice = Import("BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nN:Yamada;Taro;;;\r\r\n"
                                  "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\r\n BBBB\r\r\n CCCC\r\r\n"
                                  "TEL;TYPE=PAGER:111\r\r\nTEL:222\r\r\nEND:VCARD\r\r\n");
    EXPECT_EQ(twice.warningCount, 0);
    ASSERT_EQ(twice.added, 1);
    EXPECT_EQ(Field(Added(0).homePhone), "222");
    EXPECT_EQ(Field(Added(0).homePhone2), "");
    EXPECT_EQ(twice.keptBeside, (std::map<std::string, int>{{"PHOTO", 1}, {"TEL", 1}}));
    EXPECT_NE(m_backend.originalsSet.back().find("PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBBCCCC\r\n"),
              std::string::npos);

    // UTF-16 without a byte order mark, big-endian.
    std::string be;
    for (char16_t unit :
         QString::fromUtf8("BEGIN:VCARD\r\nN:山田;花子\r\nEND:VCARD\r\n").toStdU16String())
        be += std::string{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    CImportSummary utf16 = Import(be);
    EXPECT_EQ(utf16.encoding, "UTF-16 (big-endian)");
    ASSERT_EQ(utf16.added, 1);
    EXPECT_EQ(Field(Added(0).firstName), "花子");

    // A vCard 2.1 of Western Europe in ISO-8859-1 that names no set: what
    // code page 932 lacks is counted and kept, never a silent U+FFFD.
    CImportSummary latin = Import("BEGIN:VCARD\r\nVERSION:2.1\r\nN:M\xFCller;J\xFCrgen\r\n"
                                  "ORG:G\xF6\xDFmann & Pe\xF1"
                                  "a\r\nEND:VCARD\r\n");
    ASSERT_EQ(latin.added, 1);
    EXPECT_EQ(Field(Added(0).lastName), "M〓ller");
    EXPECT_EQ(latin.substitutes, 5);
    EXPECT_NE(m_backend.originalsSet.back().find("Gößmann & Peña"), std::string::npos);
}
