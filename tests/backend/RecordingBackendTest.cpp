#include "RecordingBackend.h"

#include <cstring>
#include <gtest/gtest.h>

#include "BackendTable.h"
#include "TestRecords.h"

TEST(RecordingBackend, LogsCallsDeliversScriptAndRestoresTheTable) {
    CBackendTable& table = KvBackend();
    const CBackendTable before = table;
    {
        CRecordingBackend fake;
        fake.users.push_back(CTestRecords::User("alice"));
        fake.SetResult("kvOpenBoard", 0);
        kvUserRecord record;
        EXPECT_EQ(table.kvOpenUsers("", nullptr, 0), 1);
        EXPECT_EQ(table.kvNextUser(&record, 1), 1);
        EXPECT_STREQ(record.userName, "alice");
        EXPECT_EQ(table.kvNextUser(&record, 1), 0);
        EXPECT_EQ(table.kvOpenBoard("guest09", -1), 0);
        EXPECT_EQ(fake.Calls(), (std::vector<std::string>{
                                    "kvOpenUsers(\"\", null, 0)", "kvNextUser(record, 1)",
                                    "kvNextUser(record, 1)", "kvOpenBoard(\"guest09\", -1)"}));
        EXPECT_EQ(fake.Count("kvNextUser"), 2);
        EXPECT_THROW(CRecordingBackend second, std::logic_error);
    }
    EXPECT_EQ(table.kvOpenUsers, before.kvOpenUsers);
}
