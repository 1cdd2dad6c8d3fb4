#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Statement.h"

// A person signing in: user name and password, both code page 932.
struct CSignIn {
    std::string userName;
    std::string password;
};

// What the library needs of a storage engine, and no more: statements,
// transactions, ID blocks, a lock per owner, and the schema's mark. Two
// implementations: SQLite (an embedded file) and PostgreSQL (a server). The
// stores and their logic are written once, against this.
class CConnection {
public:
    // What a database holds, read without changing it.
    enum class Content { Empty, Ours, Legacy, Foreign };

    virtual ~CConnection() = default;

    // Where the data is, for messages: a file path, or a URI without its password.
    virtual const std::string& Location() const = 0;

    // A statement for lookups and writes.
    virtual std::unique_ptr<CStatement> Prepare(const std::string& sql) = 0;
    // A statement that reads a long list: a server engine fetches it in large chunks.
    virtual std::unique_ptr<CStatement> PrepareList(const std::string& sql) = 0;
    // A statement that appends rows to table: its columns (a list) take ?1, ?2, ...
    // in order, and Queue() appends a row. A server engine streams the rows
    // (COPY) rather than sending an INSERT each; they are there for the next
    // statement of the same connection.
    virtual std::unique_ptr<CStatement> PrepareAppend(const std::string& table,
                                                      const std::string& columns) = 0;
    // Runs sql (one or more statements, no parameters); false on an error.
    virtual bool Exec(const std::string& sql) = 0;

    // Before any change: the mark, the schema version and whether the tables
    // are ours. False when the database cannot be read at all.
    virtual bool Identify(Content& content, int& version) = 0;
    // Settings made once the database is known to be ours (journal mode...).
    virtual bool Configure() = 0;
    // Inside a write transaction, before the schema is looked at again to be
    // made or upgraded: waits for anyone else who is doing the same, so that
    // of two at once the second finds the first one's schema (SQLite's write
    // transaction does that already).
    virtual bool LockSchema() { return true; }
    // Inside a write transaction: creates the current schema, or upgrades
    // one of version `from`, and writes the mark with `version`.
    virtual bool CreateSchema(int version) = 0;
    virtual bool Upgrade(int from, int version) = 0;

    // A write transaction: the whole database on SQLite, a transaction on the server.
    virtual bool BeginWrite() = 0;
    // For a statement that may rightly run long (a whole table copied in one
    // COPY): no statement bound on a server (keepalives still find a dead one).
    virtual bool AllowLongStatements() { return true; }
    // Between two batches of a long run of writes (each batchPeriod long):
    // lets a writer that waits for the database go first (the server queues
    // lock waiters fairly itself).
    virtual void YieldToWaiters(std::chrono::steady_clock::duration batchPeriod) {
        (void)batchPeriod;
    }
    // Commits, after every queued write has run; false when any of them or the
    // commit failed (the transaction is then rolled back).
    virtual bool Commit() = 0;
    virtual void Rollback() = 0;
    // False when the engine ended the transaction by itself (an error).
    virtual bool InTransaction() = 0;

    // Inside a write transaction: waits until no other writer can change
    // tables, and keeps them out until it ends (SQLite's write transaction
    // excludes every other writer already). Readers go on.
    virtual bool ExcludeWriters(const std::vector<std::string>& tables) {
        (void)tables;
        return true;
    }
    // Inside a write transaction: waits until no other writer of this owner's
    // entries of kind holds its transaction open (SQLite's write transaction
    // already excludes every other writer).
    virtual bool LockOwner(const std::string& kind, const std::string& owner) = 0;
    // Inside a write transaction: reserves a block of IDs for table's entries.
    virtual bool ReserveIds(const char* table, long long& first, long long& count) = 0;
    // Makes the next IDs of table (and of its identity column) start at next.
    virtual bool SetNextId(const char* table, long long next) = 0;

    // Makes userName able to sign in with the password of verifier: on a
    // server, the user's login role (created when missing) gets verifier as
    // its password. Inside a write transaction. Nothing to do on the embedded
    // engine, whose file holds the verifiers the library checks itself.
    virtual bool SetLogin(const std::string& userName, const std::string& verifier) {
        (void)userName;
        (void)verifier;
        return true;
    }
    // On a person's own connection: the person's password becomes the one of
    // verifier (the server checks it from then on). Nothing to do on the
    // embedded engine, whose users table holds the verifiers.
    virtual bool SetOwnPassword(const std::string& verifier) {
        (void)verifier;
        return true;
    }
    // Lets userName sign in again, or no longer; drops userName's login for
    // good. On the embedded engine the users table says it all.
    virtual bool EnableLogin(const std::string& userName, bool enabled) {
        (void)userName;
        (void)enabled;
        return true;
    }
    virtual bool DropLogin(const std::string& userName) {
        (void)userName;
        return true;
    }
    // The server's logins of this groupware's office that belong to no
    // current user (all of them before the groupware is made), and dropping one.
    virtual bool FormerLogins(std::vector<std::string>& former) {
        former.clear();
        return true;
    }
    virtual bool DropFormerLogin(const std::string& role) {
        (void)role;
        return true;
    }
    // On a person's own connection, just signed in: whether the person is a
    // current user (not removed, not disabled), with the groupware's copy of
    // their verifier made to match the password they signed in with (a role
    // may change its own password behind the groupware's back). The embedded
    // engine's check of the password already said all of it.
    virtual bool ConfirmSignIn(const std::string& cp932Password, bool& current) {
        (void)cp932Password;
        current = true;
        return true;
    }
    // The statement that counts a batch's writes of an owner's entries:
    // ?1 the kind, ?2 the owner, ?3 1 when an entry moved to another key.
    virtual std::unique_ptr<CStatement> PrepareChangeCount() {
        return Prepare("INSERT INTO kv_changes(kind, owner, version, moved) VALUES (?1, ?2, 1, "
                       "?3) ON CONFLICT(kind, owner) DO UPDATE SET version = "
                       "kv_changes.version + 1, moved = kv_changes.moved + ?3");
    }
    // The statement that removes an owner's entries of a recurring series
    // (a series imported again replaces them): ?1 the owner's name, ?2 the
    // series' UID.
    virtual std::unique_ptr<CStatement> PrepareSeriesRemoval() {
        return Prepare("DELETE FROM schedules WHERE owner_id = (SELECT id FROM owners WHERE name = "
                       "?1) AND series = ?2");
    }
    // The records of imports (imports.sql). Begins one: ?1 who, ?2 whose
    // entries, ?3 their kind, ?4 when, ?5 the file, ?6 its size, ?7 its hash,
    // ?8 the form, ?9 the options; its one row is the import's number.
    virtual std::unique_ptr<CStatement> PrepareImportBegin() {
        return Prepare("INSERT INTO imports(user_name, owner, kind, started, file, size, hash, "
                       "form, options) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) RETURNING id");
    }
    // Records entries of import ?1 by what it did to them (?2: 1 added,
    // 2 replaced, 3 removed): ?3 their runs of IDs as a JSON array of
    // [first, last] pairs.
    virtual std::unique_ptr<CStatement> PrepareImportEntries() {
        return Prepare("INSERT OR IGNORE INTO import_entries(import_id, action, entry_id, last_id) "
                       "SELECT ?1, ?2, value ->> 0, value ->> 1 FROM json_each(?3)");
    }
    // Keeps what an entry of table (its columns) was before import ?1
    // replaced it: the entry found where condition holds (its parameters from
    // ?2 on, as the table's update finds it). The first image an import took
    // of an entry stays.
    virtual std::unique_ptr<CStatement> PrepareImportBefore(const std::string& table,
                                                            const std::string& columns,
                                                            const std::string& condition) {
        return Prepare("INSERT OR IGNORE INTO import_" + table + "(import_id, " + columns +
                       ") SELECT ?1, " + columns + " FROM " + table + " WHERE " + condition);
    }
    // The same for the entries of a series import ?1 removes (?2 the owner's
    // name, ?3 the series; columns the schedules'), and their record as
    // removed: run in order before the removal.
    virtual std::vector<std::unique_ptr<CStatement>>
    PrepareImportSeriesBefore(const std::string& columns) {
        const std::string which =
            " FROM schedules WHERE owner_id = (SELECT id FROM owners WHERE name = ?2) AND "
            "series = ?3 AND ?3 <> x''";
        std::vector<std::unique_ptr<CStatement>> statements;
        statements.push_back(Prepare("INSERT OR IGNORE INTO import_schedules(import_id, " +
                                     columns + ") SELECT ?1, " + columns + which));
        statements.push_back(Prepare(
            "INSERT OR IGNORE INTO import_entries(import_id, action, entry_id, last_id) SELECT ?1, "
            "3, id, id" +
            which));
        return statements;
    }
    // A record import ?1 skipped: ?2 the line where it began, ?3 why.
    virtual std::unique_ptr<CStatement> PrepareImportSkip() {
        return Prepare("INSERT OR IGNORE INTO import_skips(import_id, line, reason) VALUES (?1, "
                       "?2, ?3)");
    }
    // Ends import ?1: ?2 records skipped, ?3 when.
    virtual std::unique_ptr<CStatement> PrepareImportEnd() {
        return Prepare("UPDATE imports SET skipped = ?2, ended = ?3 WHERE id = ?1");
    }
    // Where an engine's own function takes an import back (a server, where a
    // person may not write the records), that function: ?1 the import, ?2
    // nonzero to keep later changes; one row of the entries removed (-1:
    // refused for later changes), put back, and the later changed IDs
    // ("1,2,..."). Null where the library's statements do it.
    virtual std::unique_ptr<CStatement> PrepareImportUndo() { return nullptr; }
    // Where a person may not delete rows themselves, the engine's function
    // that removes their own entries of ?1's kind with the IDs ?2 ("1,2,3"),
    // recorded: one row, the entries removed and the record's number; null
    // where the library removes and records them itself.
    virtual std::unique_ptr<CStatement> PrepareOwnEntriesRemoval() { return nullptr; }
    // Likewise inside the person's import under way ?1, which records them:
    // ?2 the kind, ?3 the IDs; one row, the entries removed.
    virtual std::unique_ptr<CStatement> PrepareOwnEntriesRemovalInImport() { return nullptr; }
    // Where a list asks apart whether any of its rows keeps an original, the
    // query that does (one row: 1 or 0), over table's rows where condition
    // holds (its parameters as the list's); null where a list reads the
    // originals with every row (a server, whose rows cost their transfer,
    // not the column).
    virtual std::unique_ptr<CStatement> PrepareOriginalsProbe(const std::string& table,
                                                              const std::string& condition) {
        (void)table;
        (void)condition;
        return nullptr;
    }
    // Whether the database counts failed sign-ins in a row (the embedded
    // file, whose verifiers the library checks): on a server the process
    // counts them, and the server's own auth_delay slows guessing.
    virtual bool CountsSignInFailures() const { return true; }
    // A person's own connection, bound by the server's policies (not the
    // administrator's).
    virtual bool IsPerson() const { return false; }

    // The reason of the last failure.
    virtual std::string ErrorMessage() = 0;
    // The connection to a server was lost: the database must be opened again.
    virtual bool IsBroken() = 0;
    // Takes in, without waiting, what the server said meanwhile (a server
    // that restarted says goodbye), so that IsBroken knows of a lost connection
    // before the next statement fails on it.
    virtual void Notice() {}
    // Waits for the server so far (each is a network round trip on a server).
    long long RoundTrips() const { return m_nRoundTrips; }

protected:
    long long m_nRoundTrips = 0;
};
