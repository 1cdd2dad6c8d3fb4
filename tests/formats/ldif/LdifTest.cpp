#include <gtest/gtest.h>

#include "Cp932.h"
#include "ImportFile.h"
#include "ImportSession.h"
#include "LdifReader.h"
#include "RecordingBackend.h"
#include "TextFile.h"

namespace {

template <size_t N> std::string Field(const char (&field)[N]) {
    return CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, N)));
}

} // namespace

TEST(Ldif, AMailProgramsAddressBookIsReadAndNothingIsFetched) {
    // Thunderbird's export: base64 UTF-8, a folded line, a second mail; and a
    // value by URL (never fetched: it could name any file here), a photo's
    // bytes (no text) and a line that is no attribute.
    CImportFile file("version: 1\n\n"
                     "dn: cn=Yamada Taro,mail=taro@example.jp\nobjectclass: top\n"
                     "objectclass: inetOrgPerson\ngivenName:: 5aSq6YOO\nsn:: 5bGx55Sw\n"
                     "cn: Yamada Taro\nmail: taro@example.jp\nmail: t2@example.jp\n"
                     "telephoneNumber: 03-1\nmozillaHomeStreet: 1-1 Chiyo\n da\n"
                     "description:: 5LiA6KGM55uuCuS6jOihjOebrg==\nmozillaNickname: taro\n"
                     "x-secret:< file:///etc/passwd\njpegPhoto:: /9j/4AAQSkZJRgABAQ==\n"
                     "2.5.4.12: Manager\n-bad: x\nnot an attribute\n\n"
                     "dn: cn=佐藤　花子\ncn: 佐藤　花子\n",
                     false);
    CRecordingBackend backend;
    CTextFile text;
    ASSERT_TRUE(text.Open(file.Path()));
    CImportSession session(text, {CImportSession::Kind::Addresses, "alice", false, false});
    ASSERT_TRUE(session.Open());
    ASSERT_EQ(session.Begin(), CImportSession::Start::Ready);
    while (session.Next() != CImportSession::Step::End)
        ;
    ASSERT_TRUE(session.Close());
    const CImportSummary& summary = session.Summary();
    EXPECT_EQ(summary.form, CRecordReader::Form::Ldif);
    ASSERT_EQ(backend.addedAddresses.size(), 2u);
    const kvAddressRecord& taro = backend.addedAddresses[0];
    EXPECT_EQ(Field(taro.lastName) + "/" + Field(taro.firstName) + "/" + Field(taro.email) + "/" +
                  Field(taro.businessPhone) + "/" + Field(taro.homeStreet) + "/" + Field(taro.memo),
              "山田/太郎/taro@example.jp/03-1/1-1 Chiyoda/一行目\n二行目");
    const std::string& kept = backend.originalsSet[0];
    for (const char* given : {R"(NAME="cn":Yamada Taro)", R"(NAME="mail":t2@example.jp)",
                              R"(NAME="mozillaNickname":taro)", R"(NAME="2.5.4.12":Manager)"})
        EXPECT_NE(kept.find(given), std::string::npos) << given;
    // The dn the export makes of cn and mail is not kept: it comes back the same.
    EXPECT_EQ(kept.find("NAME=\"dn\""), std::string::npos);
    EXPECT_EQ(kept.find("root:"), std::string::npos);
    EXPECT_EQ(summary.notCarried, (std::map<std::string, int>{{"jpegPhoto (not text)", 1},
                                                              {"x-secret (a value by URL)", 1}}));
    EXPECT_EQ(summary.warningCount, 2) << "the lines that are no attribute";
    // The writer writes what the reader reads, and no other name.
    for (const auto& [name, valid] :
         std::vector<std::pair<const char*, bool>>{{"cn", true},
                                                   {"2.5.4.3", true},
                                                   {"mail;lang-ja", true},
                                                   {"-x", false},
                                                   {"1..2", false},
                                                   {"a.b", false},
                                                   {"x;", false},
                                                   {"名前", false}})
        EXPECT_EQ(CLdifReader::IsAttributeName(name), valid) << name;
    // Only cn: split at its blank of either width.
    EXPECT_EQ(Field(backend.addedAddresses[1].lastName), "佐藤");
    EXPECT_EQ(Field(backend.addedAddresses[1].firstName), "花子");
}
