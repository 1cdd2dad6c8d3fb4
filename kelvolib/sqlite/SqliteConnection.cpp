#include "SqliteConnection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "Cp932.h"
#include "SqliteSchema.h"
#include "SqliteStatement.h"
#include "TimeKey.h"
#include "WaitText.h"

namespace {

// The file's mark ("KLVO") in the SQLite header.
constexpr long long kApplicationId = 0x4B4C564F;
constexpr int kBusyTimeoutMs = 15000;
constexpr long long kIdBlock = 1024;
// An importer's pause between batches (of a second): five of a waiting writer's tries.
constexpr int kYieldMs = 10;

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
            error = "cannot create " + dir.substr(0, at) + ": " +
                    CCp932::FromSystem(std::strerror(errno));
            return false;
        }
    }
    if (!MakeDirectory(dir, 0700) || chmod(dir.c_str(), 0700) != 0) {
        error = "cannot create " + dir + ": " + CCp932::FromSystem(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

CSqliteConnection::~CSqliteConnection() {
    if (m_pDb != nullptr)
        sqlite3_close_v2(m_pDb);
}

bool CSqliteConnection::Open(const std::string& path, bool defaultLocation, std::string& error) {
    m_strPath = path;
    if (defaultLocation && !MakePrivateParents(path, error))
        return false;
    // Create the file ourselves so that it is private from its first byte; SQLite
    // gives the -wal and -shm files the same permissions.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = CCp932::FromSystem(std::strerror(errno));
        return false;
    }
    close(fd);
    // The path is a plain file name: never a URI, never ":memory:".
    std::string file = path[0] == '/' ? path : "./" + path;
    // The library serialises every call itself, so SQLite's own locking is not needed.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &m_pDb, flags, nullptr) != SQLITE_OK) {
        error = m_pDb != nullptr ? CCp932::FromSystem(sqlite3_errmsg(m_pDb)) : "out of memory";
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
        return false;
    }
    // Another writer holds the database for at most a batch (about a second):
    // wait for it rather than fail. $KELVO_BUSY_TIMEOUT (ms) shortens the wait.
    const char* busy = std::getenv("KELVO_BUSY_TIMEOUT");
    m_nBusyTimeoutMs = busy != nullptr && *busy != '\0' ? std::atoi(busy) : kBusyTimeoutMs;
    sqlite3_busy_handler(m_pDb, &CSqliteConnection::OnBusy, this);
    sqlite3_extended_result_codes(m_pDb, 1);
    // kv_time(year, month, day, hour, minute, second): a time as the schedules
    // store it, for the upgrade of files that kept its six numbers apart.
    sqlite3_create_function_v2(
        m_pDb, "kv_time", 6, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context* context, int, sqlite3_value** values) {
            std::string key =
                CTimeKey::Pack(sqlite3_value_int64(values[0]), sqlite3_value_int64(values[1]),
                               sqlite3_value_int64(values[2]), sqlite3_value_int64(values[3]),
                               sqlite3_value_int64(values[4]), sqlite3_value_int64(values[5]));
            sqlite3_result_blob(context, key.data(), static_cast<int>(key.size()),
                                SQLITE_TRANSIENT);
        },
        nullptr, nullptr, nullptr);
    return true;
}

std::unique_ptr<CStatement> CSqliteConnection::Prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_pDb, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return std::make_unique<CSqliteStatement>(m_pDb, statement);
}

std::unique_ptr<CStatement> CSqliteConnection::PrepareAppend(const std::string& table,
                                                             const std::string& columns) {
    std::string values = "?1";
    int count = 1;
    for (char c : columns)
        if (c == ',')
            values += ", ?" + std::to_string(++count);
    return Prepare("INSERT INTO " + table + "(" + columns + ") VALUES (" + values + ")");
}

bool CSqliteConnection::Exec(const std::string& sql) {
    return sqlite3_exec(m_pDb, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CSqliteConnection::Identify(Content& content, int& version) {
    auto appId = Prepare("PRAGMA application_id");
    auto userVersion = Prepare("PRAGMA user_version");
    auto objects = Prepare("SELECT count(*), count(CASE WHEN type = 'table' AND name IN "
                           "('users', 'owners', 'schedules', 'kv_sequence', "
                           "'address_categories', 'addresses', 'board') THEN 1 END) "
                           "FROM sqlite_master");
    if (!appId || !userVersion || !objects || appId->Step() != CStatement::Result::Row ||
        userVersion->Step() != CStatement::Result::Row ||
        objects->Step() != CStatement::Result::Row)
        return false;
    long long id = appId->ColumnInt64(0);
    version = userVersion->ColumnInt(0);
    if (id == kApplicationId)
        content = Content::Ours;
    else if (id == 0 && version == 0 && objects->ColumnInt(0) == 0)
        content = Content::Empty;
    else if (id == 0 && version == 1 && objects->ColumnInt(1) == 7)
        content = Content::Legacy; // written before the file carried our mark
    else
        content = Content::Foreign;
    return true;
}

bool CSqliteConnection::MakePrivate() {
    // The file holds every password's verifier: it is its owner's alone. One
    // of ours left readable by others (copied, unpacked) is made private; one
    // this user does not own cannot be, and is not used.
    struct stat info {};
    if (stat(m_strPath.c_str(), &info) != 0 || (info.st_mode & 077) == 0)
        return true;
    char mode[8];
    std::snprintf(mode, sizeof(mode), "%04o", static_cast<unsigned>(info.st_mode & 07777));
    if (info.st_uid != geteuid()) {
        m_strError = std::string("other users of this machine can read it (mode ") + mode +
                     ") and it is not this user's to make private: its owner makes it private "
                     "with chmod 600 " +
                     m_strPath;
        return false;
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string file = m_strPath + suffix;
        if (chmod(file.c_str(), 0600) != 0 && (errno != ENOENT || *suffix == '\0')) {
            m_strError = "it cannot be made private (chmod 600 " + file +
                         "): " + CCp932::FromSystem(std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool CSqliteConnection::Configure() {
    if (!MakePrivate())
        return false;
    // A larger page cache for big lists. Pages are read, not memory-mapped: a
    // mapped file would count its pages against the program's memory (a
    // million entries: 76 MiB more) for a tenth of a list's time.
    // The switch to WAL of a new file is refused at once, without the busy
    // handler, while another process switches it or writes its first
    // transaction: asked again as the busy handler would, within its bound.
    const auto since = std::chrono::steady_clock::now();
    while (!Exec("PRAGMA journal_mode=WAL")) {
        if ((sqlite3_errcode(m_pDb) & 0xFF) != SQLITE_BUSY ||
            std::chrono::steady_clock::now() - since >= std::chrono::milliseconds(m_nBusyTimeoutMs))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return Exec("PRAGMA synchronous=FULL") && Exec("PRAGMA cache_size=-32768");
}

bool CSqliteConnection::WriteMark(int version) {
    return Exec("PRAGMA application_id=" + std::to_string(kApplicationId) +
                "; PRAGMA user_version=" + std::to_string(version));
}

bool CSqliteConnection::CreateSchema(int version) {
    return Exec(kSqliteSchema) && Exec(kSqliteImports) && WriteMark(version);
}

bool CSqliteConnection::Upgrade(int from, int version) {
    // Version 1 lacked only the mark; version 2 the table of change counts;
    // version 3 kept passwords as text (the caller writes the verifiers).
    if (from < 3 &&
        !Exec("CREATE TABLE IF NOT EXISTS kv_changes(kind TEXT NOT NULL, owner BLOB NOT NULL, "
              "version INTEGER "
              "NOT NULL, PRIMARY KEY (kind, owner)) WITHOUT ROWID"))
        return false;
    // Version 4 had no change stamps on entries.
    if (from < 5 && !(AddColumn("schedules", "changed") && AddColumn("addresses", "changed") &&
                      AddColumn("kv_changes", "moved")))
        return false;
    // Version 5 indexed the addresses by name, and kept a schedule's times as
    // six numbers each: the table is written anew, in the same order.
    if (from < 6 && !(Exec("DROP INDEX IF EXISTS addresses_by_name") &&
                      Exec("CREATE INDEX IF NOT EXISTS addresses_by_owner ON addresses(owner)")))
        return false;
    if (from < 6 && HasColumn("schedules", "start_year") &&
        !(Exec("CREATE TABLE kv_packed_schedules(id INTEGER NOT NULL, owner_id INTEGER NOT NULL, "
               "title BLOB NOT NULL, place BLOB NOT NULL, start_time BLOB NOT NULL, "
               "end_time BLOB NOT NULL, all_day INTEGER NOT NULL, public INTEGER NOT NULL, "
               "alarm_lead INTEGER NOT NULL, comment BLOB NOT NULL, changed INTEGER NOT NULL "
               "DEFAULT 0, PRIMARY KEY (owner_id, start_time, id)) WITHOUT ROWID") &&
          Exec("INSERT INTO kv_packed_schedules SELECT id, owner_id, title, place, "
               "kv_time(start_year, start_month, start_day, start_hour, start_minute, "
               "start_second), kv_time(end_year, end_month, end_day, end_hour, end_minute, "
               "end_second), all_day, public, alarm_lead, comment, changed FROM schedules") &&
          Exec("DROP TABLE schedules") &&
          Exec("ALTER TABLE kv_packed_schedules RENAME TO schedules")))
        return false;
    // Version 6 had no disabled users, kept no count of failed sign-ins and
    // no names of removed users.
    if (from < 7 && !(AddColumn("users", "disabled") &&
                      Exec("CREATE TABLE IF NOT EXISTS sign_in_failures(name BLOB PRIMARY KEY, "
                           "failures INTEGER NOT NULL) WITHOUT ROWID; CREATE TABLE IF NOT EXISTS "
                           "removed_users(name BLOB PRIMARY KEY) WITHOUT ROWID")))
        return false;
    // Version 7 kept nothing beside an entry: entries stored before have no
    // original and belong to no series.
    if (from < 8 &&
        !(AddColumn("schedules", "original", "BLOB NOT NULL DEFAULT x''") &&
          AddColumn("schedules", "series", "BLOB NOT NULL DEFAULT x''") &&
          AddColumn("addresses", "original", "BLOB NOT NULL DEFAULT x''") &&
          Exec("CREATE INDEX IF NOT EXISTS schedules_by_series ON schedules(owner_id, series) "
               "WHERE series <> x''; CREATE INDEX IF NOT EXISTS schedules_with_original ON "
               "schedules(owner_id) WHERE length(original) > 0; CREATE INDEX IF NOT EXISTS "
               "addresses_with_original ON addresses(owner) WHERE length(original) > 0")))
        return false;
    // Version 8 kept no record of imports.
    if (from < 9 && !Exec(kSqliteImports))
        return false;
    // Version 9 kept no record of what an import skipped.
    if (from == 9 && !Exec(kSqliteImports))
        return false;
    return WriteMark(version);
}

int CSqliteConnection::OnBusy(void* self, int attempt) {
    // Asks again every 2 ms (SQLite's own handler waits up to 100 ms between
    // tries), so that a writer gets in during the short pause an importer
    // makes between its batches (YieldToWaiters).
    auto* connection = static_cast<CSqliteConnection*>(self);
    if (attempt == 0)
        connection->m_busySince = std::chrono::steady_clock::now();
    if (std::chrono::steady_clock::now() - connection->m_busySince >=
        std::chrono::milliseconds(connection->m_nBusyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 1;
}

void CSqliteConnection::YieldToWaiters(std::chrono::steady_clock::duration batchPeriod) {
    // At most a twentieth of a batch: 1 % of an import's time with 1 s batches.
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        std::chrono::milliseconds(kYieldMs), batchPeriod / 20));
}

bool CSqliteConnection::HasColumn(const char* table, const char* column) {
    auto query = Prepare(std::string("SELECT count(*) FROM pragma_table_info('") + table +
                         "') WHERE name = '" + column + "'");
    return query && query->Step() == CStatement::Result::Row && query->ColumnInt64(0) > 0;
}

bool CSqliteConnection::AddColumn(const char* table, const char* column, const char* type) {
    // SQLite knows no ADD COLUMN IF NOT EXISTS.
    auto columns = Prepare(std::string("SELECT count(*) FROM pragma_table_info('") + table +
                           "') WHERE name = '" + column + "'");
    if (!columns || columns->Step() != CStatement::Result::Row)
        return false;
    return columns->ColumnInt64(0) > 0 ||
           Exec(std::string("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + type);
}

bool CSqliteConnection::BeginWrite() {
    return Exec("BEGIN IMMEDIATE");
}

bool CSqliteConnection::Commit() {
    if (Exec("COMMIT"))
        return true;
    std::string reason = ErrorMessage();
    Rollback();
    return false;
}

void CSqliteConnection::Rollback() {
    if (!sqlite3_get_autocommit(m_pDb))
        sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool CSqliteConnection::InTransaction() {
    return !sqlite3_get_autocommit(m_pDb);
}

bool CSqliteConnection::ReserveIds(const char* table, long long& first, long long& count) {
    // Files of the first version numbered addresses without the sequence: their
    // next ID follows the largest.
    auto read = Prepare(std::string("SELECT coalesce((SELECT next FROM kv_sequence WHERE name = "
                                    "?1), (SELECT coalesce(max(id), 0) + 1 FROM ") +
                        table + "))");
    auto save = Prepare("INSERT INTO kv_sequence(name, next) VALUES (?1, ?2) "
                        "ON CONFLICT(name) DO UPDATE SET next = excluded.next");
    if (!read || !save)
        return false;
    read->BindText(1, table);
    if (read->Step() != CStatement::Result::Row)
        return false;
    first = read->ColumnInt64(0);
    count = kIdBlock;
    save->BindText(1, table);
    save->BindInt(2, first + count);
    return save->Run();
}

bool CSqliteConnection::SetNextId(const char* table, long long next) {
    // Integer primary keys follow the largest row by themselves.
    if (std::strcmp(table, "schedules") != 0 && std::strcmp(table, "addresses") != 0)
        return true;
    auto save = Prepare("INSERT INTO kv_sequence(name, next) VALUES (?1, ?2) "
                        "ON CONFLICT(name) DO UPDATE SET next = excluded.next");
    if (!save)
        return false;
    save->BindText(1, table);
    save->BindInt(2, next);
    return save->Run();
}

std::string CSqliteConnection::ErrorMessage() {
    if (!m_strError.empty())
        return m_strError;
    if (m_pDb == nullptr)
        return "out of memory";
    // "database is locked" is a wait that ran out: said with its bound.
    if ((sqlite3_extended_errcode(m_pDb) & 0xFF) == SQLITE_BUSY)
        return CWaitText::LockHeld(m_nBusyTimeoutMs);
    return CCp932::FromSystem(sqlite3_errmsg(m_pDb));
}
