#include "Database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ErrorState.h"
#include "MonitorQueue.h"
#include "Statement.h"

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 15000;
constexpr auto kBatchPeriod = std::chrono::seconds(1);

const char kSchema[] = R"sql(
CREATE TABLE users(
    id INTEGER PRIMARY KEY,
    name BLOB NOT NULL UNIQUE,
    reading BLOB NOT NULL DEFAULT x'',
    g0 BLOB NOT NULL DEFAULT x'', g1 BLOB NOT NULL DEFAULT x'',
    g2 BLOB NOT NULL DEFAULT x'', g3 BLOB NOT NULL DEFAULT x'',
    g4 BLOB NOT NULL DEFAULT x'', g5 BLOB NOT NULL DEFAULT x'',
    g6 BLOB NOT NULL DEFAULT x'', g7 BLOB NOT NULL DEFAULT x'',
    g8 BLOB NOT NULL DEFAULT x'', g9 BLOB NOT NULL DEFAULT x'',
    password BLOB NOT NULL DEFAULT x'');
-- Owners by number, so that the schedule key compares integers only.
CREATE TABLE owners(id INTEGER PRIMARY KEY, name BLOB NOT NULL UNIQUE);
CREATE TABLE schedules(
    id INTEGER NOT NULL,
    owner_id INTEGER NOT NULL,
    title BLOB NOT NULL, place BLOB NOT NULL,
    start_second INTEGER NOT NULL, start_minute INTEGER NOT NULL, start_hour INTEGER NOT NULL,
    start_day INTEGER NOT NULL, start_month INTEGER NOT NULL, start_year INTEGER NOT NULL,
    end_second INTEGER NOT NULL, end_minute INTEGER NOT NULL, end_hour INTEGER NOT NULL,
    end_day INTEGER NOT NULL, end_month INTEGER NOT NULL, end_year INTEGER NOT NULL,
    all_day INTEGER NOT NULL, public INTEGER NOT NULL, alarm_lead INTEGER NOT NULL,
    comment BLOB NOT NULL,
    -- Stored in the order the list delivers, so that a list reads the table straight through.
    PRIMARY KEY (owner_id, start_year, start_month, start_day, start_hour, start_minute,
                 start_second, id)) WITHOUT ROWID;
-- The next ID of a kind of entry, kept so that no insert needs an index on IDs.
CREATE TABLE kv_sequence(name TEXT PRIMARY KEY, next INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE address_categories(id INTEGER PRIMARY KEY, name BLOB NOT NULL UNIQUE);
CREATE TABLE addresses(
    id INTEGER PRIMARY KEY,
    owner BLOB NOT NULL, category BLOB NOT NULL, title BLOB NOT NULL,
    last_name BLOB NOT NULL, last_name_reading BLOB NOT NULL, first_name BLOB NOT NULL,
    name_reading BLOB NOT NULL, company BLOB NOT NULL, business_phone BLOB NOT NULL,
    business_phone_2 BLOB NOT NULL, business_fax BLOB NOT NULL, email BLOB NOT NULL,
    business_postal_code BLOB NOT NULL, business_prefecture BLOB NOT NULL,
    business_city BLOB NOT NULL, business_street BLOB NOT NULL, home_phone BLOB NOT NULL,
    home_phone_2 BLOB NOT NULL, mobile_phone BLOB NOT NULL, home_fax BLOB NOT NULL,
    email_2 BLOB NOT NULL, web_page BLOB NOT NULL, home_prefecture BLOB NOT NULL,
    home_city BLOB NOT NULL, home_street BLOB NOT NULL, memo BLOB NOT NULL);
-- Serves both the owner filter of the book and the duplicate search.
CREATE INDEX addresses_by_name ON addresses(owner, last_name, first_name, company);
CREATE TABLE board(
    id INTEGER PRIMARY KEY CHECK (id BETWEEN 1 AND 4294967295),
    parent_id INTEGER NOT NULL DEFAULT 0,
    title BLOB NOT NULL, user_name BLOB NOT NULL,
    posted_second INTEGER NOT NULL, posted_minute INTEGER NOT NULL, posted_hour INTEGER NOT NULL,
    posted_day INTEGER NOT NULL, posted_month INTEGER NOT NULL, posted_year INTEGER NOT NULL,
    text BLOB NOT NULL);
CREATE INDEX board_by_posting ON board(posted_year, posted_month, posted_day, posted_hour,
    posted_minute, posted_second, id);
)sql";

bool MakeDirectory(const std::string& path, mode_t mode) {
    if (mkdir(path.c_str(), mode) == 0)
        return true;
    return errno == EEXIST;
}

// Creates the folders of the default location; the last one readable by its owner only.
bool MakePrivateParents(const std::string& file, std::string& error) {
    size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    std::string dir = file.substr(0, slash);
    for (size_t at = dir.find('/', 1); at != std::string::npos; at = dir.find('/', at + 1)) {
        if (!MakeDirectory(dir.substr(0, at), 0755)) {
            error = "cannot create " + dir.substr(0, at) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!MakeDirectory(dir, 0700) || chmod(dir.c_str(), 0700) != 0) {
        error = "cannot create " + dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

CDatabase::CDatabase(CMonitorQueue& monitor) : m_monitor(monitor) {}

CDatabase::~CDatabase() {
    if (m_pDb == nullptr)
        return;
    CommitBatch();
    sqlite3_close_v2(m_pDb);
}

std::string CDatabase::ConfiguredPath() {
    const char* configured = std::getenv("KELVO_DATABASE");
    if (configured != nullptr && *configured != '\0')
        return configured;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/')
        return std::string(dataHome) + "/kelvo/groupware.db";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/kelvo/groupware.db";
}

bool CDatabase::Open() {
    m_strPath = ConfiguredPath();
    const char* configured = std::getenv("KELVO_DATABASE");
    std::string error;
    if ((configured == nullptr || *configured == '\0') && !MakePrivateParents(m_strPath, error)) {
        m_monitor.Push("database " + m_strPath + " cannot be opened: " + error);
        CErrorState::Set(error);
        return false;
    }
    // Create the file ourselves so that it is private from its first byte; SQLite
    // gives the -wal and -shm files the same permissions.
    int fd = open(m_strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::strerror(errno);
        m_monitor.Push("database " + m_strPath + " cannot be opened: " + error);
        CErrorState::Set("cannot open " + m_strPath + ": " + error);
        return false;
    }
    close(fd);

    // The library serialises every call itself, so SQLite's own locking is not needed.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(m_strPath.c_str(), &m_pDb, flags, nullptr) != SQLITE_OK) {
        Fail("database " + m_strPath + " cannot be opened");
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
        return false;
    }
    // Another writer holds the database for at most a batch (about a second):
    // wait for it rather than fail. $KELVO_BUSY_TIMEOUT (ms) shortens the wait.
    const char* busy = std::getenv("KELVO_BUSY_TIMEOUT");
    sqlite3_busy_timeout(m_pDb,
                         busy != nullptr && *busy != '\0' ? std::atoi(busy) : kBusyTimeoutMs);
    // $KELVO_BATCH_MS shortens the batch period (tests of interrupted imports).
    const char* batch = std::getenv("KELVO_BATCH_MS");
    if (batch != nullptr && *batch != '\0')
        m_batchPeriod = std::chrono::milliseconds(std::atoi(batch));
    sqlite3_extended_result_codes(m_pDb, 1);
    // Memory-mapped reads and a larger page cache keep big lists from copying
    // every page through read().
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=FULL") ||
        !Exec("PRAGMA cache_size=-32768") || !CreateSchema()) {
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
        return false;
    }
    m_monitor.Push("database " + m_strPath + " opened");
    return true;
}

bool CDatabase::CreateSchema() {
    CStatement version;
    if (!Prepare(version, "PRAGMA user_version") || version.Step() != SQLITE_ROW)
        return false;
    int current = version.ColumnInt(0);
    version.Reset();
    if (current == kSchemaVersion)
        return true;
    if (current > kSchemaVersion) {
        m_monitor.Push("database " + m_strPath + " was written by a newer kelvo");
        CErrorState::Set("database " + m_strPath + " was written by a newer kelvo");
        return false;
    }
    // Two processes may create the schema at once: the second sees the version after
    // waiting for the first one's write lock.
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    if (version.Step() != SQLITE_ROW) {
        Exec("ROLLBACK");
        return false;
    }
    current = version.ColumnInt(0);
    version.Reset();
    if (current == 0) {
        if (!Exec(kSchema) || !Exec("PRAGMA user_version=1")) {
            Exec("ROLLBACK");
            return false;
        }
    }
    return Exec("COMMIT");
}

bool CDatabase::Prepare(CStatement& statement, const char* sql) {
    std::string error;
    if (statement.Prepare(m_pDb, sql, error))
        return true;
    Fail("statement cannot be prepared");
    return false;
}

bool CDatabase::Exec(const char* sql) {
    if (sqlite3_exec(m_pDb, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    Fail(std::string("\"") + sql + "\" failed");
    return false;
}

bool CDatabase::StepRow(CStatement& cursor, const char* what) {
    int result = cursor.Step();
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        Fail(std::string(what) + " cannot be read");
    return false;
}

bool CDatabase::BeforeBatchedWrite() {
    auto now = std::chrono::steady_clock::now();
    if (m_bBatchOpen && sqlite3_get_autocommit(m_pDb))
        m_bBatchOpen = false;
    if (m_bBatchOpen && now - m_batchStart <= m_batchPeriod)
        return true;
    if (m_bBatchOpen && !CommitBatch())
        return false;
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    m_bBatchOpen = true;
    ++m_nTransaction;
    m_batchStart = now;
    return true;
}

bool CDatabase::CommitBatch() {
    if (!m_bBatchOpen)
        return true;
    m_bBatchOpen = false;
    if (sqlite3_get_autocommit(m_pDb)) {
        m_monitor.Push("a write batch was rolled back by the database");
        return false;
    }
    for (const auto& hook : m_beforeCommit)
        hook.second();
    if (sqlite3_exec(m_pDb, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    Fail("write batch cannot be committed");
    sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

void CDatabase::AfterFailedWrite() {
    if (m_bBatchOpen && sqlite3_get_autocommit(m_pDb)) {
        m_bBatchOpen = false;
        m_monitor.Push("a write batch was rolled back by the database");
    }
}

void CDatabase::Fail(const std::string& what) {
    std::string reason = m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : "out of memory";
    m_monitor.Push("error: " + what + ": " + reason);
    CErrorState::Set(what + ": " + reason);
}
