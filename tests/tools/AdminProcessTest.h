#pragma once

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ImportFile.h"
#include "ProcessRunner.h"
#include "TempDatabase.h"

// The first line of a tool's output with its line end: what an import
// stored, ahead of its summary.
inline std::string FirstLine(const std::string& out) {
    return out.substr(0, out.find('\n') + 1);
}

// kelvo-admin run as a process on the test's own database.
class AdminProcessBase {
public:
    explicit AdminProcessBase(const std::string& engine) : m_database(engine) {}

    // An Outlook address file whose record i is L<i> F<i> C<i> with memo M<i>
    // on two lines, so that a whole record can be told from a torn one.
    static std::string AddressFile(int first, int count) {
        std::string text = CTestRecords::Sjis("姓\t名\t会社名\tﾒﾓ\r\n");
        for (int i = first; i < first + count; ++i) {
            std::string n = std::to_string(i);
            text += "L" + n + "\tF" + n + "\tC" + n + "\t\"M" + n + "\r\nM" + n + "\"\r\n";
        }
        return text;
    }

    long Count(const char* table) { return m_database.Count(table); }
    std::vector<std::string> Query(const std::string& sql) { return m_database.Query(sql); }

protected:
    CProcessRunner::CResult Admin(std::vector<std::string> args,
                                  CProcessRunner::COptions options = {}) {
        args.insert(args.begin(), {"--database", m_database.Path()});
        return CProcessRunner::Run(KELVO_TEST_ADMIN, args, options);
    }
    CProcessRunner::CResult Admin(std::vector<std::string> args, const std::string& input) {
        CProcessRunner::COptions options;
        options.input = input;
        return Admin(std::move(args), options);
    }

    // What dump prints, checked to succeed.
    std::string Dump(const std::string& kind, const std::string& owner = "") {
        std::vector<std::string> args = {"dump", kind};
        if (!owner.empty())
            args.insert(args.end(), {"--owner", owner});
        CProcessRunner::CResult result = Admin(args);
        EXPECT_EQ(result.status, 0) << result.err;
        return result.out;
    }

    // An initialised database with the users the imports name as owners.
    void InitWithUsers(const std::vector<std::string>& users = {"alice", "bob"}) {
        ASSERT_EQ(Admin({"init"}).status, 0);
        for (const std::string& user : users)
            ASSERT_EQ(Admin({"user", "add", user, "--password", "pw", "--allow-weak"}).status, 0);
    }

    CTempDatabase m_database;
};

// Run once on each engine.
class AdminProcessTest : public AdminProcessBase, public ::testing::TestWithParam<std::string> {
public:
    AdminProcessTest() : AdminProcessBase(GetParam()) {}
};

// What only the embedded engine's file has.
class FileAdminTest : public AdminProcessBase, public ::testing::Test {
public:
    FileAdminTest() : AdminProcessBase("sqlite") {}
};

#define KELVO_ON_BOTH_ENGINES(suite)                                                               \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, suite, ::testing::Values("sqlite", "postgresql"),                                 \
        [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
