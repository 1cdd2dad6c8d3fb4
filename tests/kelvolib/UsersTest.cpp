#include <cstring>
#include <memory>

#include "LibraryTest.h"

using Users = LibraryTest;
KELVO_ON_BOTH_ENGINES(Users);

namespace {

std::vector<std::string> NextNames() {
    std::vector<std::string> names;
    auto record = std::make_unique<kvUserRecord>();
    while (kvNextUser(record.get(), 1))
        names.push_back(FIELD(*record, userName));
    return names;
}

} // namespace

TEST_P(Users, EnumerateByNameRewindAndFilters) {
    AddUser(CTestRecords::User("carol", "", {"sales"}));
    AddUser(CTestRecords::User("alice", "", {"", "dev"}));
    AddUser(CTestRecords::User("bob", "", {"sales", "dev"}));

    ASSERT_TRUE(kvOpenUsers("", nullptr, 0));
    EXPECT_EQ(NextNames(), (std::vector<std::string>{"alice", "bob", "carol"}));
    EXPECT_FALSE(kvNextUser(std::make_unique<kvUserRecord>().get(), 1)) << "stays at the end";
    ASSERT_TRUE(kvRewindUsers());
    EXPECT_EQ(NextNames(), (std::vector<std::string>{"alice", "bob", "carol"}));
    EXPECT_TRUE(kvCloseUsers());

    ASSERT_TRUE(kvOpenUsers(nullptr, "bob", 0));
    EXPECT_EQ(NextNames(), std::vector<std::string>{"bob"});
    ASSERT_TRUE(kvOpenUsers(nullptr, "Bob", 0));
    EXPECT_TRUE(NextNames().empty()) << "names compare byte-wise, case included";
    ASSERT_TRUE(kvOpenUsers("dev", nullptr, 0));
    EXPECT_EQ(NextNames(), (std::vector<std::string>{"alice", "bob"}));
    kvCloseUsers();
}

TEST_P(Users, RecordKeepsGroupSlotsAndZeroesTheRest) {
    AddUser(CTestRecords::User(CTestRecords::Sjis("田中"), CTestRecords::Sjis("たなか"),
                               {"", CTestRecords::Sjis("開発部"), "", "", "qa"}, "pw"));
    auto record = std::make_unique<kvUserRecord>();
    std::memset(record.get(), 0xCD, sizeof(*record));
    ASSERT_TRUE(kvGetUser(CTestRecords::Sjis("田中").c_str(), record.get()));
    EXPECT_EQ(FIELD(*record, reading), CTestRecords::Sjis("たなか"));
    EXPECT_EQ(FIELD(*record, groups[0]), "");
    EXPECT_EQ(FIELD(*record, groups[1]), CTestRecords::Sjis("開発部"));
    EXPECT_EQ(FIELD(*record, groups[4]), "qa");
    EXPECT_EQ(FIELD(*record, password), "") << "passwords never leave the library";
    // No byte of the caller's buffer is left as it was: the backend hands back no garbage.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record.get());
    for (size_t i = 0; i < sizeof(*record); ++i)
        ASSERT_NE(bytes[i], 0xCD) << "offset " << i;
}

TEST_P(Users, UpdateChangesProfileButNeverThePassword) {
    AddUser(CTestRecords::User("alice", "a", {"sales"}, "old-secret"));
    auto record = std::make_unique<kvUserRecord>();
    ASSERT_TRUE(kvGetUser("alice", record.get()));
    CTestRecords::Put(record->reading, sizeof(record->reading), "b");
    CTestRecords::Put(record->password, sizeof(record->password), "new-secret");
    MonitorLines();
    ASSERT_TRUE(kvUpdateUser("alice", record.get()));

    auto again = std::make_unique<kvUserRecord>();
    ASSERT_TRUE(kvGetUser("alice", again.get()));
    EXPECT_EQ(FIELD(*again, reading), "b");
    EXPECT_EQ(FIELD(*again, password), "");
    EXPECT_TRUE(kvCheckPassword("alice", "old-secret")) << "the record's password field is ignored";
    EXPECT_FALSE(kvCheckPassword("alice", "new-secret"));
    EXPECT_TRUE(kvUpdateUser("alice", again.get())) << "a record written back as delivered";
    for (const std::string& line : MonitorLines())
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;

    EXPECT_FALSE(kvUpdateUser("nobody", record.get()));
    EXPECT_FALSE(kvGetUser("nobody", again.get()));
}

TEST_P(Users, AddRefusesDuplicatesAndEmptyNames) {
    AddUser(CTestRecords::User("alice"));
    kvUserRecord duplicate = CTestRecords::User("alice", "other");
    EXPECT_FALSE(kvAdminAddUser(&duplicate));
    kvUserRecord unnamed = CTestRecords::User("");
    EXPECT_FALSE(kvAdminAddUser(&unnamed));
    auto record = std::make_unique<kvUserRecord>();
    ASSERT_TRUE(kvGetUser("alice", record.get()));
    EXPECT_EQ(FIELD(*record, reading), "") << "the first user stays as it was";
}

TEST_P(Users, FieldWithoutNulIsCutAtACharacterBoundary) {
    kvUserRecord record = CTestRecords::User("long");
    // 100 bytes of kanji and no NUL: the 50th character does not fit beside the NUL.
    std::string kanji = CTestRecords::Sjis("漢");
    for (size_t i = 0; i + 1 < sizeof(record.reading); i += 2)
        std::memcpy(record.reading + i, kanji.data(), 2);
    AddUser(record);
    auto back = std::make_unique<kvUserRecord>();
    ASSERT_TRUE(kvGetUser("long", back.get()));
    EXPECT_EQ(FIELD(*back, reading).size(), 98u);
    EXPECT_EQ(back->reading[98], '\0');
}

TEST_P(Users, QuotesAndFormatTextsAreStoredVerbatim) {
    const std::string name = "o'brien\"; DROP TABLE users; --%s%n";
    AddUser(CTestRecords::User(name, "%s%s%s"));
    auto record = std::make_unique<kvUserRecord>();
    ASSERT_TRUE(kvGetUser(name.c_str(), record.get()));
    EXPECT_EQ(FIELD(*record, reading), "%s%s%s");
    ASSERT_TRUE(kvOpenUsers("", nullptr, 0));
    EXPECT_EQ(NextNames(), std::vector<std::string>{name});
    kvCloseUsers();
}

TEST_P(Users, ClosedEnumerationAndNullPointersReturnZero) {
    auto record = std::make_unique<kvUserRecord>();
    EXPECT_FALSE(kvNextUser(record.get(), 1));
    EXPECT_FALSE(kvRewindUsers());
    EXPECT_FALSE(kvCloseUsers());
    ASSERT_TRUE(kvOpenUsers("", nullptr, 0));
    EXPECT_FALSE(kvNextUser(nullptr, 1));
    EXPECT_FALSE(kvGetUser(nullptr, record.get()));
    EXPECT_FALSE(kvGetUser("alice", nullptr));
    EXPECT_FALSE(kvUpdateUser(nullptr, record.get()));
    EXPECT_FALSE(kvUpdateUser("alice", nullptr));
    EXPECT_FALSE(kvAdminAddUser(nullptr));
    kvCloseUsers();
}
