#pragma once

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "ImportFile.h"
#include "ProcessRunner.h"
#include "TempDatabase.h"

// kelvo-admin run as a process on the test's own database file, with helpers
// that read the file directly.
class AdminProcessTest : public ::testing::Test {
public:
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

    // Runs sql on the database file and returns the rows, tab-separated.
    static std::vector<std::string> Query(const std::string& path, const char* sql) {
        sqlite3* db = nullptr;
        std::vector<std::string> rows;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 5000);
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK)
                while (sqlite3_step(stmt) == SQLITE_ROW) {
                    std::string row;
                    for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                        const unsigned char* text = sqlite3_column_text(stmt, c);
                        row += (c ? "\t" : "") +
                               std::string(text ? reinterpret_cast<const char*>(text) : "");
                    }
                    rows.push_back(row);
                }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return rows;
    }

    int Count(const char* table) {
        std::vector<std::string> rows =
            Query(m_database.Path(), ("SELECT count(*) FROM " + std::string(table)).c_str());
        return rows.empty() ? -1 : std::stoi(rows[0]);
    }

protected:
    CProcessRunner::CResult Admin(std::vector<std::string> args,
                                  CProcessRunner::COptions options = {}) {
        args.insert(args.begin(), {"--database", m_database.Path()});
        return CProcessRunner::Run(KELVO_TEST_ADMIN, args, options);
    }

    // An initialised database with the users the imports name as owners.
    void InitWithUsers() {
        ASSERT_EQ(Admin({"init"}).status, 0);
        for (const char* user : {"alice", "bob"})
            ASSERT_EQ(Admin({"user", "add", user, "--password", "pw"}).status, 0);
    }

    CTempDatabase m_database;
};
