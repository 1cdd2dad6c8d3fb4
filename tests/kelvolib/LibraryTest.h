#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelvo.h"
#include "kelvoadmin.h"

#include "TempDatabase.h"
#include "TestRecords.h"

// A test on a fresh temporary database, with helpers to seed it and read it back.
class LibraryTest : public ::testing::Test {
public:
    static std::string Text(const char* field, size_t width) {
        return std::string(field, strnlen(field, width));
    }

protected:
    void AddUser(const kvUserRecord& record) { ASSERT_TRUE(kvAdminAddUser(&record)); }

    std::vector<std::string> MonitorLines() {
        std::vector<std::string> lines;
        char line[KV_MONITOR_LINE_SIZE];
        while (kvReadMonitorLine(line, sizeof(line)))
            lines.push_back(line);
        return lines;
    }

    bool MonitorMentions(const std::string& text) {
        for (const std::string& line : MonitorLines())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    CTempDatabase m_database;
};

#define FIELD(record, member) LibraryTest::Text((record).member, sizeof((record).member))
