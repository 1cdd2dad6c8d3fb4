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

// The file's mark ("KLVO") and schema version, in the SQLite header.
constexpr long long kApplicationId = 0x4B4C564F;
constexpr int kSchemaVersion = 2;
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

bool CDatabase::ConfiguredPath(std::string& path, std::string& error) {
    const char* configured = std::getenv("KELVO_DATABASE");
    if (configured != nullptr && *configured != '\0') {
        path = configured;
        return true;
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/') {
        path = std::string(dataHome) + "/kelvo/groupware.db";
        return true;
    }
    // Without a home there is no default: a folder at the root would be a surprise.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/' || std::string(home) == "/") {
        error = "no database is configured: set KELVO_DATABASE (or HOME, or XDG_DATA_HOME)";
        return false;
    }
    path = std::string(home) + "/.local/share/kelvo/groupware.db";
    return true;
}

bool CDatabase::Refuse(const std::string& reason) {
    m_monitor.Push("error: " + reason);
    CErrorState::Set(reason);
    if (m_pDb != nullptr)
        sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
    return false;
}

bool CDatabase::Open() {
    std::string error;
    if (!ConfiguredPath(m_strPath, error))
        return Refuse(error);
    const char* configured = std::getenv("KELVO_DATABASE");
    if ((configured == nullptr || *configured == '\0') && !MakePrivateParents(m_strPath, error))
        return Refuse("database " + m_strPath + " cannot be opened: " + error);
    // Create the file ourselves so that it is private from its first byte; SQLite
    // gives the -wal and -shm files the same permissions.
    int fd = open(m_strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Refuse("database " + m_strPath + " cannot be opened: " + std::strerror(errno));
    close(fd);

    // The path is a plain file name: never a URI, never ":memory:".
    std::string file = m_strPath[0] == '/' ? m_strPath : "./" + m_strPath;
    // The library serialises every call itself, so SQLite's own locking is not needed.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &m_pDb, flags, nullptr) != SQLITE_OK) {
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

    // Nothing is changed before the file is known to be ours (or empty).
    Content content = Content::Empty;
    int version = 0;
    if (!Identify(content, version))
        return Refuse("database " + m_strPath + " cannot be used: " + sqlite3_errmsg(m_pDb));
    if (content == Content::Foreign)
        return Refuse("database " + m_strPath +
                      " is not a kelvo groupware database; it was left unchanged");
    if (content == Content::Ours && version > kSchemaVersion)
        return Refuse("database " + m_strPath + " was written by a newer kelvo (schema version " +
                      std::to_string(version) + ", this library knows " +
                      std::to_string(kSchemaVersion) + ")");
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

bool CDatabase::Identify(Content& content, int& version) {
    CStatement appId, userVersion, objects;
    std::string ignored;
    if (!appId.Prepare(m_pDb, "PRAGMA application_id", ignored) || appId.Step() != SQLITE_ROW ||
        !userVersion.Prepare(m_pDb, "PRAGMA user_version", ignored) ||
        userVersion.Step() != SQLITE_ROW ||
        !objects.Prepare(m_pDb,
                         "SELECT count(*), count(CASE WHEN type = 'table' AND name IN ('users', "
                         "'owners', 'schedules', 'kv_sequence', 'address_categories', "
                         "'addresses', 'board') THEN 1 END) FROM sqlite_master",
                         ignored) ||
        objects.Step() != SQLITE_ROW)
        return false;
    long long id = appId.ColumnInt64(0);
    version = userVersion.ColumnInt(0);
    int all = objects.ColumnInt(0);
    int known = objects.ColumnInt(1);
    if (id == kApplicationId)
        content = Content::Ours;
    else if (id == 0 && version == 0 && all == 0)
        content = Content::Empty;
    else if (id == 0 && version == 1 && known == 7)
        content = Content::Legacy; // written before the file carried our mark
    else
        content = Content::Foreign;
    return true;
}

bool CDatabase::CreateSchema() {
    Content content = Content::Empty;
    int version = 0;
    if (!Identify(content, version))
        return false;
    if (content == Content::Ours && version == kSchemaVersion)
        return true;
    // Two processes may create the schema at once: the second sees it after
    // waiting for the first one's write lock.
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    bool done = Identify(content, version);
    if (done && content == Content::Empty)
        done = Exec(kSchema);
    if (done && content == Content::Foreign)
        done = Refuse("database " + m_strPath + " is not a kelvo groupware database");
    // Version 1 files lack only the mark; later upgrades go here, step by step.
    if (done && (content != Content::Ours || version < kSchemaVersion)) {
        std::string mark = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                           "; PRAGMA user_version=" + std::to_string(kSchemaVersion);
        done = Exec(mark.c_str());
        if (done && content != Content::Empty)
            m_monitor.Push("database " + m_strPath + " upgraded to schema version " +
                           std::to_string(kSchemaVersion));
    }
    if (!done) {
        if (m_pDb != nullptr)
            Exec("ROLLBACK");
        return false;
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
        ForgetBatch();
    bool held = m_bBatchHeld;
    m_bBatchHeld = false;
    if (m_bBatchOpen && (held || now - m_batchStart <= m_batchPeriod))
        return true;
    if (m_bBatchOpen && !CommitBatch())
        return false;
    if (sqlite3_exec(m_pDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail("the database cannot be written");
        return false;
    }
    m_bBatchOpen = true;
    ++m_nTransaction;
    m_batchStart = now;
    return true;
}

bool CDatabase::BeforeDependentLookup() {
    if (!BeforeBatchedWrite())
        return false;
    m_bBatchHeld = true;
    return true;
}

bool CDatabase::CommitBatch() {
    m_bBatchHeld = false;
    if (!m_bBatchOpen)
        return true;
    if (sqlite3_get_autocommit(m_pDb)) {
        ForgetBatch();
        return false;
    }
    m_bBatchOpen = false;
    for (const auto& hook : m_beforeCommit)
        hook.second();
    if (sqlite3_exec(m_pDb, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
        m_nCommittedWrites += m_nPendingWrites;
        m_nPendingWrites = 0;
        return true;
    }
    Fail("write batch cannot be committed");
    sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    m_nPendingWrites = 0;
    return false;
}

void CDatabase::AfterFailedWrite() {
    if (m_bBatchOpen && sqlite3_get_autocommit(m_pDb))
        ForgetBatch();
}

void CDatabase::ForgetBatch() {
    m_bBatchOpen = false;
    m_bBatchHeld = false;
    m_monitor.Push("a write batch of " + std::to_string(m_nPendingWrites) +
                   " entries was rolled back by the database");
    m_nPendingWrites = 0;
}

void CDatabase::Fail(const std::string& what) {
    std::string reason = m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : "out of memory";
    m_monitor.Push("error: " + what + ": " + reason);
    CErrorState::Set(what + ": " + reason);
}
