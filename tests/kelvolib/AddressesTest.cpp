#include <cstring>
#include <memory>

#include "Cp932.h"
#include "LibraryTest.h"

using Addresses = LibraryTest;
KELVO_ON_BOTH_ENGINES(Addresses);

namespace {

std::vector<std::string> NextNames() {
    std::vector<std::string> names;
    auto record = std::make_unique<kvAddressRecord>();
    while (kvNextAddress(record.get(), 1))
        names.push_back(FIELD(*record, lastName) + "@" + FIELD(*record, owner));
    return names;
}

void Add(const kvAddressRecord& record) {
    ASSERT_TRUE(kvAddAddress(&record));
}

} // namespace

TEST_P(Addresses, OwnerSeesOwnAndPublicEntriesInEntryOrder) {
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    Add(CTestRecords::Address("alice", "Zeta", "", ""));
    Add(CTestRecords::Address("", "Public", "", ""));
    Add(CTestRecords::Address("bob", "Bobs", "", ""));
    Add(CTestRecords::Address("alice", "Alpha", "", ""));
    ASSERT_TRUE(kvEndAddressUpdate());
    ASSERT_TRUE(kvCloseAddressBook());

    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    EXPECT_EQ(NextNames(), (std::vector<std::string>{"Zeta@alice", "Public@", "Alpha@alice"}));
    kvCloseAddressBook();
    ASSERT_TRUE(kvOpenAddressBook("bob", -1, 0, 0, 0));
    EXPECT_EQ(NextNames(), (std::vector<std::string>{"Public@", "Bobs@bob"}));
    kvCloseAddressBook();
}

TEST_P(Addresses, WritesNeedTheUpdatePhase) {
    kvAddressRecord record = CTestRecords::Address("alice", "A", "", "");
    EXPECT_FALSE(kvBeginAddressUpdate("alice")) << "the book is not open";
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    EXPECT_FALSE(kvAddAddress(&record));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    EXPECT_TRUE(kvAddAddress(&record));
    ASSERT_TRUE(kvEndAddressUpdate());
    EXPECT_FALSE(kvAddAddress(&record));
    EXPECT_FALSE(kvEndAddressUpdate()) << "no phase to end";
    EXPECT_FALSE(kvAddAddress(nullptr));
    kvCloseAddressBook();
    EXPECT_FALSE(kvNextAddress(&record, 1));
}

TEST_P(Addresses, DuplicateSearchByOwnerThenUpdate) {
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    Add(CTestRecords::Address("alice", "Sato", "Hana", "Kelvo"));
    Add(CTestRecords::Address("", "Sato", "Hana", "Public Inc"));

    EXPECT_TRUE(kvFindDuplicateAddress(nullptr, 0, "Sato", "Hana", "Kelvo"))
        << "null owner: the open owner's private entries";
    EXPECT_FALSE(kvFindDuplicateAddress(nullptr, 0, "Sato", "Hana", "Public Inc"));
    EXPECT_TRUE(kvFindDuplicateAddress("", 0, "Sato", "Hana", "Public Inc"))
        << "empty owner: the public entries";
    EXPECT_FALSE(kvFindDuplicateAddress("", 0, "Sato", "Hana", "Kelvo"));

    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "Sato", "Hana", "Kelvo"));
    kvAddressRecord changed = CTestRecords::Address("alice", "Sato", "Hana", "Kelvo");
    CTestRecords::Put(changed.memo, sizeof(changed.memo), "line 1\nline 2");
    ASSERT_TRUE(kvUpdateAddress(&changed));
    ASSERT_TRUE(kvEndAddressUpdate());
    kvCloseAddressBook();

    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    auto record = std::make_unique<kvAddressRecord>();
    std::memset(record.get(), 0xCD, sizeof(*record));
    ASSERT_TRUE(kvNextAddress(record.get(), 1));
    EXPECT_EQ(0, std::memcmp(&changed, record.get(), sizeof(changed))) << "whole record kept";
    EXPECT_EQ(NextNames().size(), 1u) << "replaced, not added";
    kvCloseAddressBook();
}

TEST_P(Addresses, CategoriesAreAddedOnce) {
    const std::string category = CTestRecords::Sjis("取引先");
    EXPECT_FALSE(kvFindAddressCategory(category.c_str()));
    EXPECT_TRUE(kvAddAddressCategory(category.c_str()));
    EXPECT_TRUE(kvAddAddressCategory(category.c_str())) << "exists afterwards: success";
    EXPECT_TRUE(kvFindAddressCategory(category.c_str()));
    EXPECT_FALSE(kvFindAddressCategory(CTestRecords::Sjis("友人").c_str()));
    EXPECT_FALSE(kvAddAddressCategory(""));
    EXPECT_FALSE(kvAddAddressCategory(nullptr));
    EXPECT_FALSE(kvFindAddressCategory(nullptr));
}

TEST_P(Addresses, ClosingTheBookEndsAPendingUpdatePhase) {
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    Add(CTestRecords::Address("alice", "Kept", "", ""));
    ASSERT_TRUE(kvCloseAddressBook());
    kvShutdown();
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    EXPECT_EQ(NextNames(), std::vector<std::string>{"Kept@alice"});
    kvCloseAddressBook();
    // The public book is named as such on the monitor, never as an empty owner's.
    MonitorLines();
    ASSERT_TRUE(kvOpenAddressBook("", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate(""));
    ASSERT_TRUE(kvCloseAddressBook());
    std::vector<std::string> lines = MonitorLines();
    ASSERT_EQ(lines.size(), 4u); // opened, update begun, update ended, closed
    for (size_t i : {0, 1, 3})
        EXPECT_EQ(lines[i].substr(9, 12), CTestRecords::Sjis("公開アドレス")) << i;
}

// 髙 written with its NEC-selected code (0xEEE0) by one file and with the IBM
// extension code (0xFBFC) that conversion from Unicode writes by another is
// one person to the duplicate check; what is stored keeps the file's bytes.
TEST_P(Addresses, DuplicateCheckSeesOneCharacterInEitherCode) {
    const std::string hashi = CTestRecords::Sjis("橋");
    const std::string nec = "\xEE\xE0" + hashi, ibm = "\xFB\xFC" + hashi;
    std::string converted;
    ASSERT_TRUE(CCp932::FromUtf8("髙橋", converted));
    EXPECT_EQ(converted, ibm) << "conversion from Unicode writes the code Windows writes";
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    Add(CTestRecords::Address("alice", nec, CTestRecords::Sjis("一郎"), ""));
    EXPECT_TRUE(
        kvFindDuplicateAddress(nullptr, 0, ibm.c_str(), CTestRecords::Sjis("一郎").c_str(), ""));
    EXPECT_TRUE(kvEndAddressUpdate());
    ASSERT_TRUE(kvCloseAddressBook());
    // A later import (keys read from the database) sees it too.
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    EXPECT_TRUE(
        kvFindDuplicateAddress(nullptr, 0, ibm.c_str(), CTestRecords::Sjis("一郎").c_str(), ""));
    EXPECT_FALSE(kvFindDuplicateAddress(nullptr, 0, ibm.c_str(), "", ""));
    ASSERT_TRUE(kvCloseAddressBook());
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    auto record = std::make_unique<kvAddressRecord>();
    ASSERT_TRUE(kvNextAddress(record.get(), 1));
    EXPECT_EQ(FIELD(*record, lastName), nec) << "stored as the file had it";
    kvCloseAddressBook();
}
