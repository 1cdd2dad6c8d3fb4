#include <cstring>
#include <gtest/gtest.h>

#include "ImportFile.h"
#include "OutlookAddressReader.h"
#include "RecordingBackend.h"
#include "TextFile.h"

namespace {

// Reads a whole file through the reader into the recording backend.
class AddressReader : public ::testing::Test {
protected:
    COutlookAddressReader::Start Import(const std::string& utf8, bool isPublic = false,
                                        bool duplicateCheck = false, bool convert = true) {
        m_pFile = std::make_unique<CImportFile>(utf8, convert);
        EXPECT_TRUE(m_text.Open(m_pFile->Path()));
        COutlookAddressReader reader(m_text, isPublic);
        COutlookAddressReader::Start start = reader.Begin();
        if (start != COutlookAddressReader::Start::Ready)
            return start;
        CRecordStore store("alice", isPublic, duplicateCheck);
        CImportFile::StoreAll(reader, store);
        m_nBytes = reader.BytesConsumed();
        return start;
    }

    const std::vector<kvAddressRecord>& Added() { return m_backend.addedAddresses; }

    static std::string Utf8(const char* field, size_t width) { return CCp932Text(field, width); }
    static std::string CCp932Text(const char* field, size_t width);

    CRecordingBackend m_backend;
    CTextFile m_text;
    std::unique_ptr<CImportFile> m_pFile;
    int64_t m_nBytes = 0;
};

} // namespace

#include "Cp932.h"

std::string AddressReader::CCp932Text(const char* field, size_t width) {
    return CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, width)));
}

#define TEXT(record, member) Utf8((record).member, sizeof((record).member))

TEST_F(AddressReader, ColumnsInFileOrderEmptyFieldsAndOwners) {
    ASSERT_EQ(Import("会社名\t姓\t名\t自宅電話\t電子ﾒｰﾙ 2 ｱﾄﾞﾚｽ\t分類\t不明\r\n"
                     "ケルボ\t佐藤\t花子\t03-1\tx@y\t取引先\tignored\r\n"
                     "\t\t一郎\t\t\t\t\r\n"),
              COutlookAddressReader::Start::Ready);
    ASSERT_EQ(Added().size(), 2u);
    const kvAddressRecord& first = Added()[0];
    EXPECT_EQ(TEXT(first, company), "ケルボ");
    EXPECT_EQ(TEXT(first, lastName), "佐藤");
    EXPECT_EQ(TEXT(first, firstName), "花子");
    EXPECT_EQ(TEXT(first, homePhone), "03-1");
    EXPECT_EQ(TEXT(first, email2), "x@y");
    EXPECT_EQ(TEXT(first, category), "取引先");
    EXPECT_EQ(TEXT(first, owner), "alice");
    EXPECT_EQ(TEXT(first, title), "") << "no column feeds the title";
    EXPECT_EQ(TEXT(Added()[1], firstName), "一郎") << "empty fields keep their columns";
    EXPECT_EQ(TEXT(Added()[1], lastName), "");
    // The category was unknown: added once, then found.
    EXPECT_EQ(m_backend.CallsTo("kvAddAddressCategory").size(), 1u);

    m_backend.addedAddresses.clear();
    Import("姓\r\n鈴木\r\n", true);
    EXPECT_EQ(TEXT(Added()[0], owner), "") << "public entries have no owner";
}

TEST_F(AddressReader, MultiLineMemoThenMoreFields) {
    ASSERT_EQ(Import("姓\tﾒﾓ\t会社名\t名\r\n"
                     "佐藤\t\"一行目\r\n"
                     "二行目\r\n"
                     "三行目\"\tケルボ\t花子\r\n"
                     "次\t\t\t\r\n"),
              COutlookAddressReader::Start::Ready);
    ASSERT_EQ(Added().size(), 2u);
    EXPECT_EQ(TEXT(Added()[0], memo), "一行目\n二行目\n三行目");
    EXPECT_EQ(TEXT(Added()[0], company), "ケルボ");
    EXPECT_EQ(TEXT(Added()[0], firstName), "花子");
    EXPECT_EQ(TEXT(Added()[1], lastName), "次");
}

TEST_F(AddressReader, ClosingQuoteAtTheLineEndCompletesTheValue) {
    Import("姓\tﾒﾓ\r\n"
           "佐藤\t\"first\r\n"
           "last\"\r\n"
           "鈴木\t\"one line\"\r\n"
           "高橋\tplain\r\n");
    ASSERT_EQ(Added().size(), 3u) << "nothing swallowed into one record";
    EXPECT_EQ(TEXT(Added()[0], memo), "first\nlast");
    EXPECT_EQ(TEXT(Added()[1], memo), "\"one line\"") << "a single-line quoted value keeps quotes";
    EXPECT_EQ(TEXT(Added()[2], memo), "plain") << "no stray line end";
}

TEST_F(AddressReader, QuotedValueInTheMiddleKeepsItsQuotes) {
    Import("姓\t名\r\n\"佐藤\"\t花子\r\n");
    EXPECT_EQ(TEXT(Added()[0], lastName), "\"佐藤\"");
    EXPECT_EQ(TEXT(Added()[0], firstName), "花子");
}

TEST_F(AddressReader, StreetLinesAppendInFileOrder) {
    Import("番地 (会社)\t住所 2 (会社)\t住所 3 (会社)\r\nA\tB\tC\r\n");
    EXPECT_EQ(TEXT(Added()[0], businessStreet), "ABC");
    m_backend.addedAddresses.clear();
    // The same values under the same names, the columns in another order.
    Import("住所 3 (会社)\t番地 (会社)\t住所 2 (会社)\r\nC\tA\tB\r\n");
    EXPECT_EQ(TEXT(Added()[0], businessStreet), "CAB");
}

TEST_F(AddressReader, OnlyFieldsOtherThanTheMemoFoldCrLf) {
    // CR CR LF reads as CR LF in text mode: the pair survives into the values.
    Import("姓\tﾒﾓ\r\n\"a\r\r\nb\"\t\"c\r\r\nd\"\r\n");
    EXPECT_EQ(TEXT(Added()[0], lastName), "a b");
    EXPECT_EQ(TEXT(Added()[0], memo), "c\r\nd");
    m_backend.addedAddresses.clear();
    Import("姓\tﾒﾓ\r\n\"a\r\nb\"\tx\r\n");
    EXPECT_EQ(TEXT(Added()[0], lastName), "a\nb") << "a lone LF stays";
}

TEST_F(AddressReader, DuplicateCheckSendsToUpdateOrAdd) {
    m_backend.SetResult("kvFindDuplicateAddress", 1);
    Import("姓\t名\t会社名\r\n佐藤\t花子\tケルボ\r\n", false, true);
    EXPECT_EQ(m_backend.CallsTo("kvFindDuplicateAddress"),
              std::vector<std::string>{
                  "kvFindDuplicateAddress(null, 0, \"" + CTestRecords::Sjis("佐藤") + "\", \"" +
                  CTestRecords::Sjis("花子") + "\", \"" + CTestRecords::Sjis("ケルボ") + "\")"});
    EXPECT_EQ(m_backend.updatedAddresses.size(), 1u);
    EXPECT_TRUE(Added().empty());

    m_backend.SetResult("kvFindDuplicateAddress", 0);
    m_backend.ClearCalls();
    Import("姓\r\n佐藤\r\n", true, true);
    EXPECT_EQ(m_backend.CallsTo("kvFindDuplicateAddress").front(),
              "kvFindDuplicateAddress(\"\", 0, \"" + CTestRecords::Sjis("佐藤") +
                  "\", \"\", \"\")");
    EXPECT_EQ(Added().size(), 1u);
}

TEST_F(AddressReader, HeaderLastColumnAndEmptyNamesLineUpWithTheData) {
    Import("姓\t\t名\r\n佐藤\tx\t花子\r\n");
    EXPECT_EQ(TEXT(Added()[0], firstName), "花子") << "an empty name is a column of its own";
    EXPECT_EQ(TEXT(Added()[0], lastName), "佐藤");
}

TEST_F(AddressReader, EmptyLinesAreSkippedAndCountForProgress) {
    Import("姓\r\n\r\n佐藤\r\n\r\n");
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(m_nBytes, static_cast<int64_t>(CTestRecords::Sjis("姓\n\n佐藤\n\n").size()));
}

TEST_F(AddressReader, HeaderWithoutKnownNamesStoresNothing) {
    EXPECT_EQ(Import("foo\tbar\r\n1\t2\r\n"), COutlookAddressReader::Start::NoKnownColumns);
    EXPECT_EQ(Import(""), COutlookAddressReader::Start::NoHeader);
    EXPECT_TRUE(Added().empty());
}

TEST_F(AddressReader, LongLinesAreReadWholeAndValuesCutAtTheField) {
    std::string longName(20000, 'n');
    std::string memo(40000, 'm');
    Import("姓\tﾒﾓ\t名\r\n" + longName + "\t\"" + memo + "\r\nend\"\tlast\r\n");
    ASSERT_EQ(Added().size(), 1u) << "the tail of a long line is no record of its own";
    EXPECT_EQ(TEXT(Added()[0], lastName), std::string(99, 'n'));
    EXPECT_EQ(TEXT(Added()[0], memo).size(), 32767u);
    EXPECT_EQ(TEXT(Added()[0], firstName), "last");
}

TEST_F(AddressReader, WindowsTextModeAndTheEndOfFileMark) {
    Import(CTestRecords::Sjis("姓\r\n佐藤\r\n鈴木\r") + "\x1A", false, false, false);
    ASSERT_EQ(Added().size(), 2u);
    EXPECT_EQ(TEXT(Added()[1], lastName), "鈴木") << "a lone CR ends the line; Ctrl-Z the file";
}

TEST_F(AddressReader, FileEndingInsideAValueKeepsWhatItHas) {
    Import("姓\tﾒﾓ\r\n佐藤\t\"open\r\nstill open\r\n");
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(TEXT(Added()[0], lastName), "佐藤");
    EXPECT_EQ(TEXT(Added()[0], memo), "still open\n") << "the last partial text";
}
