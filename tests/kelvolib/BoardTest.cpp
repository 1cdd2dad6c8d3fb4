#include <memory>

#include "LibraryTest.h"

using Board = LibraryTest;
KELVO_ON_BOTH_ENGINES(Board);

namespace {

uint32_t Post(const kvBoardMessage& message) {
    uint32_t id = 0;
    EXPECT_TRUE(kvAdminPostBoardMessage(&message, &id));
    return id;
}

} // namespace

TEST_P(Board, ReadAndNextAlternateInPostingOrder) {
    AddUser(CTestRecords::User("alice"));
    uint32_t later = Post(CTestRecords::Message("alice", "later", 5, 10, 0));
    uint32_t first = Post(CTestRecords::Message("alice", "first", 1, 9, 0));
    Post(CTestRecords::Message("alice", "reply", 6, 8, 30, first));

    ASSERT_TRUE(kvOpenBoard("guest09", -1));
    ASSERT_TRUE(kvRewindBoard());
    auto message = std::make_unique<kvBoardMessage>();
    std::vector<std::string> titles;
    ASSERT_TRUE(kvReadBoardMessage(message.get(), 0));
    ASSERT_TRUE(kvReadBoardMessage(message.get(), 0)) << "read does not move on";
    EXPECT_EQ(FIELD(*message, title), "first");
    EXPECT_EQ(message->id, first);
    do {
        ASSERT_TRUE(kvReadBoardMessage(message.get(), 0));
        titles.push_back(FIELD(*message, title) + ":" + std::to_string(message->parentId));
    } while (kvNextBoardMessage());
    EXPECT_EQ(titles,
              (std::vector<std::string>{"first:0", "later:0", "reply:" + std::to_string(first)}));
    EXPECT_FALSE(kvReadBoardMessage(message.get(), 0)) << "at the end";
    EXPECT_FALSE(kvNextBoardMessage());

    ASSERT_TRUE(kvRewindBoard());
    ASSERT_TRUE(kvReadBoardMessage(message.get(), 0));
    EXPECT_EQ(FIELD(*message, title), "first");
    EXPECT_EQ(message->posted.dayOfMonth, 1);
    EXPECT_EQ(message->posted.hours, 9);
    EXPECT_NE(later, first);
    kvCloseBoard();
}

TEST_P(Board, EmptyAndClosedBoardsDeliverNothing) {
    auto message = std::make_unique<kvBoardMessage>();
    EXPECT_FALSE(kvReadBoardMessage(message.get(), 0));
    EXPECT_FALSE(kvNextBoardMessage());
    ASSERT_TRUE(kvOpenBoard("guest09", -1));
    EXPECT_FALSE(kvReadBoardMessage(message.get(), 0));
    EXPECT_FALSE(kvNextBoardMessage());
    EXPECT_FALSE(kvReadBoardMessage(nullptr, 0));
    EXPECT_TRUE(kvCloseBoard());
    EXPECT_FALSE(kvCloseBoard());
}

TEST_P(Board, PostingChecksPosterAndParent) {
    AddUser(CTestRecords::User("alice"));
    kvBoardMessage stranger = CTestRecords::Message("mallory", "hello", 1, 9, 0);
    EXPECT_FALSE(kvAdminPostBoardMessage(&stranger, nullptr));
    kvBoardMessage orphan = CTestRecords::Message("alice", "re", 1, 9, 0, 42);
    EXPECT_FALSE(kvAdminPostBoardMessage(&orphan, nullptr));
    kvBoardMessage untitled = CTestRecords::Message("alice", "", 1, 9, 0);
    EXPECT_FALSE(kvAdminPostBoardMessage(&untitled, nullptr));

    ASSERT_TRUE(kvOpenBoard("guest09", -1));
    auto message = std::make_unique<kvBoardMessage>();
    EXPECT_FALSE(kvReadBoardMessage(message.get(), 0)) << "nothing half-posted";
    kvCloseBoard();
}
