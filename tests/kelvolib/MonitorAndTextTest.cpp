#include "LibraryTest.h"

#include <cstring>

using Monitor = FileLibraryTest;

TEST_F(Monitor, LinesAreConsumedOnceInOrder) {
    AddUser(CTestRecords::User("alice"));
    MonitorLines();
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord record = CTestRecords::Schedule("alice", "standup", 2001, 1, 5, 9, 0);
    ASSERT_TRUE(kvAddSchedule(&record, 0));
    ASSERT_TRUE(kvCloseSchedules());
    std::vector<std::string> lines = MonitorLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("opened"), std::string::npos);
    EXPECT_NE(lines[1].find("standup"), std::string::npos);
    EXPECT_NE(lines[2].find("1 added"), std::string::npos);
    EXPECT_TRUE(MonitorLines().empty());
}

TEST_F(Monitor, QueueIsBoundedKeepingTheNewest) {
    AddUser(CTestRecords::User("alice"));
    MonitorLines();
    // Each open reports one line; 10,050 of them overflow the queue.
    for (int i = 0; i < 10050; ++i)
        kvOpenUsers(nullptr, i + 1 == 10050 ? "alice" : "x", 0);
    std::vector<std::string> lines = MonitorLines();
    EXPECT_EQ(lines.size(), 10000u);
    EXPECT_NE(lines.back().find("alice"), std::string::npos);
}

TEST_F(Monitor, SmallBufferGetsACutLineAndBadBuffersConsumeNothing) {
    kvUserRecord user = CTestRecords::User(CTestRecords::Sjis("山田太郎"));
    AddUser(user);
    MonitorLines();
    ASSERT_TRUE(kvGetUser(user.userName, &user));
    kvUpdateUser(user.userName, &user); // "user 山田太郎 updated"
    EXPECT_FALSE(kvReadMonitorLine(nullptr, 256));
    char tiny[8];
    EXPECT_FALSE(kvReadMonitorLine(tiny, 0));
    ASSERT_TRUE(kvReadMonitorLine(tiny, sizeof(tiny)));
    // "user " and one two-byte character fit in 7 bytes; the next one does not.
    EXPECT_EQ(std::string(tiny), "user " + CTestRecords::Sjis("山"));
}

TEST(CopyText, NeverSplitsADoubleByteCharacter) {
    const std::string text = "a" + CTestRecords::Sjis("漢字") + "b";
    char field[16];
    std::memset(field, 'x', sizeof(field));
    ASSERT_TRUE(kvCopyText(field, text.c_str(), 3));
    EXPECT_EQ(std::string(field), "a") << "the kanji needs bytes 1-2 and the NUL a third";
    EXPECT_EQ(field[2], 'x') << "nothing written past the NUL";
    ASSERT_TRUE(kvCopyText(field, text.c_str(), 4));
    EXPECT_EQ(std::string(field), "a" + CTestRecords::Sjis("漢"));
    ASSERT_TRUE(kvCopyText(field, text.c_str(), 16));
    EXPECT_EQ(std::string(field), text);
}

TEST(CopyText, TinySizesNullTextAndHalfWidthKana) {
    char field[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(kvCopyText(field, "abc", 0));
    EXPECT_FALSE(kvCopyText(field, "abc", -1));
    EXPECT_EQ(field[0], 'x');
    EXPECT_FALSE(kvCopyText(nullptr, "abc", 4));
    ASSERT_TRUE(kvCopyText(field, "abc", 1));
    EXPECT_EQ(field[0], '\0');
    EXPECT_EQ(field[1], 'x');
    field[0] = 'x';
    ASSERT_TRUE(kvCopyText(field, nullptr, 4));
    EXPECT_EQ(field[0], '\0');
    // Half-width katakana are single bytes in the lead-byte gap: ｱｲｳ fits 3 + NUL.
    const std::string kana = CTestRecords::Sjis("ｱｲｳｴ");
    ASSERT_TRUE(kvCopyText(field, kana.c_str(), 4));
    EXPECT_EQ(std::string(field), kana.substr(0, 3));
    // A lead byte without its partner is not copied.
    const std::string broken = "ab\x82";
    ASSERT_TRUE(kvCopyText(field, broken.c_str(), 4));
    EXPECT_EQ(std::string(field), "ab");
}
