#include <cctype>
#include <cstring>
#include <sqlite3.h>

#include "LibraryTest.h"

using Monitor = FileLibraryTest;

// The monitor's lines are for the people at the viewer: Japanese, each with
// its time, consumed once, in order.
TEST_F(Monitor, LinesAreConsumedOnceInOrderInJapaneseWithTheTime) {
    AddUser(CTestRecords::User("alice"));
    MonitorLines();
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    kvScheduleRecord record = CTestRecords::Schedule("alice", "standup", 2001, 1, 5, 9, 0);
    ASSERT_TRUE(kvAddSchedule(&record, 0));
    ASSERT_TRUE(kvCloseSchedules());
    std::vector<std::string> lines = MonitorLines();
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        ASSERT_GE(line.size(), 9u);
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line[0])) && line[2] == ':' &&
                    line[5] == ':' && line[8] == ' ')
            << "HH:MM:SS first: " << line;
    }
    EXPECT_EQ(lines[0].substr(9), CTestRecords::Sjis("alice のスケジュールを開きました"));
    EXPECT_EQ(lines[1].substr(9), CTestRecords::Sjis("スケジュールを追加しました: standup"));
    EXPECT_NE(lines[2].find(CTestRecords::Sjis("追加 1 件")), std::string::npos);
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
    kvUpdateUser("nobody", &user); // "HH:MM:SS ユーザー nobody がいないため更新しませんでした"
    EXPECT_FALSE(kvReadMonitorLine(nullptr, 256));
    char tiny[12];
    EXPECT_FALSE(kvReadMonitorLine(tiny, 0));
    ASSERT_TRUE(kvReadMonitorLine(tiny, sizeof(tiny)));
    // The time and one two-byte character fit in 11 bytes; the next one does not.
    EXPECT_EQ(std::string(tiny).substr(8), " " + CTestRecords::Sjis("ユ"));
}

TEST_F(Monitor, ReasonsAreSaidInJapaneseUnderAJapaneseLocale) {
    AddUser(CTestRecords::User("alice", "", {}, "alice-password"));
    auto reasonOf = [](auto failing) {
        EXPECT_FALSE(failing());
        return CTestRecords::Utf8(Reason());
    };
    auto undo = [] { return kvAdminUndoImport(99, 0, nullptr, 0); };
    auto shortPassword = [] { return kvChangePassword("alice", "alice-password", "short"); };
    auto takeBack = [] { return kvUndoImport(1, nullptr, nullptr); };
    const std::string english = reasonOf(undo);
    setenv("LANG", "ja_JP.UTF-8", 1);
    for (const char* name : {"LC_ALL", "LC_MESSAGES"})
        unsetenv(name);
    EXPECT_EQ(reasonOf(undo), "そのインポートはありません");
    EXPECT_EQ(reasonOf(shortPassword),
              "alice のパスワードを変更できません: 新しいパスワードは 8 文字以上にしてください");
    EXPECT_EQ(reasonOf(takeBack), "まだ誰もサインインしていません");
    {
        // Another process's writer that never lets go: the wait said too.
        setenv("KELVO_BUSY_TIMEOUT", "100", 1);
        kvShutdown();
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(m_database.Path().c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const std::string busy = reasonOf([] {
            kvScheduleRecord record = CTestRecords::Schedule("alice", "blocked", 2001, 1, 5, 9, 0);
            return kvOpenSchedules("alice", "") && kvAddSchedule(&record, 0);
        });
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        kvCloseSchedules();
        unsetenv("KELVO_BUSY_TIMEOUT");
        EXPECT_NE(busy.find("ほかの書き込みが 0.1 秒のうちに終わりませんでした"), std::string::npos)
            << busy;
    }
    // What else a person may meet says nothing in Latin letters but its names.
    kvBoardMessage message = CTestRecords::Message("carol", "hello", 6, 9, 5);
    kvUserRecord nobody = CTestRecords::User("carol");
    const std::string said[] = {
        reasonOf([&] { return kvAdminPostBoardMessage(&message, nullptr); }),
        reasonOf([&] { return kvUpdateUser("carol", &nobody); }),
        reasonOf([] { return kvLastImport(nullptr) || kvUndoImport(7, nullptr, nullptr); }),
        reasonOf([] {
            return kvAdminImportEntries(
                7, [](void*, int, long long, const char*, const char*) {}, nullptr);
        })};
    for (std::string text : said) {
        EXPECT_FALSE(text.empty()) << "a failure says why";
        for (size_t at = text.find("carol"); at != std::string::npos; at = text.find("carol"))
            text.erase(at, 5);
        EXPECT_EQ(text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
                  std::string::npos)
            << text;
    }
    UseDatabase("pgsql:alice:secret@host");
    MonitorLines();
    const std::string uri = reasonOf([] { return kvOpenUsers("", nullptr, 0); });
    EXPECT_EQ(uri.find("データベース pgsql:"), 0u) << uri;
    EXPECT_NE(uri.find("は URI のようですが URI ではありません"), std::string::npos) << uri;
    EXPECT_EQ(uri.find("secret"), std::string::npos) << "never the password";
    const std::vector<std::string> lines = MonitorLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(CTestRecords::Utf8(lines.back()).find("エラー: データベース pgsql:"),
              std::string::npos)
        << "the monitor too";
    setenv("LANG", "C.UTF-8", 1);
    EXPECT_EQ(english, "there is no such import")
        << "in English elsewhere, as kelvo-admin's scripts read it";
    UseDatabase(m_database.Path());
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
