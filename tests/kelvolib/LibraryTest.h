#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TempDatabase.h"
#include "TestRecords.h"
#include "kelvo.h"
#include "kelvoadmin.h"

// Helpers to seed a fresh database and read it back.
class LibraryTestBase {
public:
    explicit LibraryTestBase(const std::string& engine) : m_database(engine) {}

    static std::string Text(const char* field, size_t width) {
        return std::string(field, strnlen(field, width));
    }
    // The library's last error, as much as kelvo-admin shows of it.
    static std::string Reason() {
        char reason[512];
        kvLastError(reason, sizeof(reason));
        return reason;
    }
    // The library's database becomes location; whoever was signed in is not.
    static void UseDatabase(const std::string& location) {
        kvShutdown();
        setenv("KELVO_DATABASE", location.c_str(), 1);
    }

    // Adds record to writer's address book (or, with an empty owner, the public one).
    static bool AddAddress(const std::string& writer, const kvAddressRecord& record) {
        return kvOpenAddressBook(writer.c_str(), -1, 0, 0, 0) &&
               kvBeginAddressUpdate(writer.c_str()) && kvAddAddress(&record) &&
               kvCloseAddressBook();
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

// A test of the library, run once on each engine.
class LibraryTest : public LibraryTestBase, public ::testing::TestWithParam<std::string> {
public:
    LibraryTest() : LibraryTestBase(GetParam()) {}
};

// A test of what only the embedded engine's file has.
class FileLibraryTest : public LibraryTestBase, public ::testing::Test {
public:
    FileLibraryTest() : LibraryTestBase("sqlite") {}
};

#define KELVO_ON_BOTH_ENGINES(suite)                                                               \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, suite, ::testing::Values("sqlite", "postgresql"),                                 \
        [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })

#define FIELD(record, member) LibraryTestBase::Text((record).member, sizeof((record).member))
