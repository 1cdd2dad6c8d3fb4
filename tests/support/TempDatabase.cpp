#include "TempDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

#include "kelvo.h"

namespace {

void DropMonitorLines() {
    char line[KV_MONITOR_LINE_SIZE];
    while (kvReadMonitorLine(line, sizeof(line)))
        ;
}

std::vector<std::string> QueryServer(const std::string& uri, const std::string& sql) {
    std::vector<std::string> rows;
    PGconn* conn = PQconnectdb(uri.c_str());
    if (PQstatus(conn) == CONNECTION_OK) {
        PQsetNoticeProcessor(
            conn, [](void*, const char*) {}, nullptr);
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQresultStatus(result) == PGRES_TUPLES_OK) {
            for (int r = 0; r < PQntuples(result); ++r) {
                std::string row;
                for (int c = 0; c < PQnfields(result); ++c)
                    row += (c ? "\t" : "") + std::string(PQgetvalue(result, r, c));
                rows.push_back(row);
            }
        } else if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ADD_FAILURE() << sql << ": " << PQresultErrorMessage(result);
        }
        PQclear(result);
    } else {
        ADD_FAILURE() << "the test server cannot be reached: " << PQerrorMessage(conn);
    }
    PQfinish(conn);
    return rows;
}

std::vector<std::string> QueryFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
        else
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

} // namespace

std::string CTempDatabase::ServerUri() {
    const char* uri = std::getenv("KELVO_TEST_POSTGRES");
    if (uri == nullptr || *uri == '\0')
        throw std::runtime_error("KELVO_TEST_POSTGRES names no PostgreSQL server: run the "
                                 "suite with ./test.sh, which starts one");
    return uri;
}

CTempDatabase::CTempDatabase(const std::string& engine) : m_strEngine(engine) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_strFolder = pattern;
    kvShutdown();
    if (IsServer()) {
        // A schema of its own: tests running at once never see each other's tables.
        std::random_device random;
        m_strSchema = "kt_" + std::to_string(random()) + std::to_string(random());
        std::string base = ServerUri();
        QueryServer(base, "CREATE SCHEMA " + m_strSchema);
        m_strLocation = base + (base.find('?') == std::string::npos ? "?" : "&") +
                        "options=-c%20search_path%3D" + m_strSchema;
    } else {
        m_strLocation = m_strFolder + "/groupware.db";
    }
    setenv("KELVO_DATABASE", m_strLocation.c_str(), 1);
    DropMonitorLines();
}

CTempDatabase::~CTempDatabase() {
    kvShutdown();
    DropMonitorLines();
    unsetenv("KELVO_DATABASE");
    if (IsServer())
        QueryServer(ServerUri(), "DROP SCHEMA " + m_strSchema + " CASCADE");
    std::error_code ignored;
    std::filesystem::remove_all(m_strFolder, ignored);
}

std::vector<std::string> CTempDatabase::Query(const std::string& sql) const {
    return IsServer() ? QueryServer(m_strLocation, sql) : QueryFile(m_strLocation, sql);
}

long CTempDatabase::Count(const std::string& table) const {
    std::vector<std::string> rows = Query("SELECT count(*) FROM " + table);
    return rows.empty() ? -1 : std::stol(rows[0]);
}

std::string CTempDatabase::PeopleUri() const {
    if (!IsServer())
        return m_strLocation;
    std::string uri = m_strLocation;
    size_t start = uri.find("://") + 3, at = uri.find('@');
    if (at != std::string::npos && at > start)
        uri.erase(start, at + 1 - start);
    return uri;
}
