#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "Connection.h"
#include "ImportRecorder.h"
#include "Statement.h"

class CMonitorQueue;

// The groupware's storage, whichever engine holds it: where it lives, its
// schema, and the write batches that make imports fast without risking more
// than a second of work. Everything here is written once for both engines;
// what differs sits behind CEngine and CConnection.
class CDatabase {
public:
    // The schema version this library writes; older ones are upgraded.
    static constexpr int kSchemaVersion = 11;

    // What an upgrade does to the data once the engine upgraded the tables
    // (CMigrations): given the version the database had, inside the upgrade's
    // transaction; false when it fails (the upgrade is then rolled back).
    using Migration = std::function<bool(CDatabase& db, int from)>;

    CDatabase(CMonitorQueue& monitor, Migration migrate);
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // $KELVO_DATABASE (a file path or a postgresql:// URI), else what a
    // configuration file names (CConfigFile), else this desk's own
    // $XDG_DATA_HOME/kelvo/groupware.db, else $HOME/.local/share/kelvo/groupware.db
    // (defaultLocation); false (with the reason) when none of them is set to
    // something usable, $KELVO_DATABASE is set but empty, or a configuration
    // file cannot be read. source (when not null): "KELVO_DATABASE", the
    // configuration file's path, or empty for the default.
    static bool ConfiguredLocation(std::string& location, bool& defaultLocation, std::string& error,
                                   std::string* source = nullptr);
    // Whether location starts with a URI's scheme ("name:"): a file path
    // never does (it starts with "/" or "./" then).
    static bool LooksLikeUri(const std::string& location);

    // Opens the configured database, creating or upgrading its schema. A
    // database that is not ours, or one written by a newer library, is refused
    // without a change. Reports the reason on failure.
    bool Open();
    // The same for a database named directly (a file path or a URI); on a
    // server as signIn's person when given (else as the URI's role).
    bool OpenAt(const std::string& location, bool defaultLocation, const CSignIn* signIn = nullptr);
    // The last open failed because the server refused the person's name or
    // password (it does not say which).
    bool LoginRefused() const { return m_bLoginRefused; }
    // Where the data is: a file path, or the URI without its password.
    const std::string& Location() const { return m_pConnection->Location(); }
    CConnection& Connection() { return *m_pConnection; }
    CMonitorQueue& Monitor() { return m_monitor; }
    // The connection to a server was lost: the database must be opened again.
    bool IsBroken() const { return m_pConnection && m_pConnection->IsBroken(); }
    // Whether the connection is known lost, after taking in what the server said.
    bool NoticeBroken() {
        if (m_pConnection)
            m_pConnection->Notice();
        return IsBroken();
    }
    long long RoundTrips() const { return m_pConnection ? m_pConnection->RoundTrips() : 0; }

    // Prepares sql (?1, ?2, ... parameters), reporting a failure; null then.
    std::unique_ptr<CStatement> Prepare(const std::string& sql);
    // The same for a list that may be long.
    std::unique_ptr<CStatement> PrepareList(const std::string& sql);
    // A statement whose Queue() appends a row to table (columns take ?1, ?2, ...).
    std::unique_ptr<CStatement> PrepareAppend(const std::string& table, const std::string& columns);
    // Steps a cursor: true on a row; at the end false, and on an error false
    // with "<what> cannot be read" reported.
    bool StepRow(CStatement& cursor, const char* what);
    // Whether a list of table's rows where condition holds must read their
    // originals: false only where the engine asks apart (PrepareOriginalsProbe)
    // and none of them keeps one. bind binds the condition's parameters. The
    // probe stays stepped until the list's first row is read, holding the
    // snapshot both read (an import between them would show entries without
    // what they keep), or until anything else is prepared or written.
    bool ListReadsOriginals(const std::string& table, const std::string& condition,
                            const std::function<void(CStatement&)>& bind);

    // Call before each batched write: opens the batch's transaction, or commits
    // it and opens the next when it began more than a second ago.
    bool BeforeBatchedWrite();
    // Call before a lookup that a batched write will depend on (the duplicate
    // checks): the batch's transaction is opened (or renewed) now, and the
    // next batched write stays in it, so that no other writer comes between
    // the lookup and the write.
    bool BeforeDependentLookup();
    // Call after each batched write that was made (or queued).
    void NoteBatchedWrite() { ++m_nPendingWrites; }
    bool InBatch() const { return m_bBatchOpen; }
    // Changes whenever a batch's transaction begins: what a store read from
    // the database before may have changed since.
    unsigned TransactionNumber() const { return m_nTransaction; }
    // Commits the batch, if one is open.
    bool CommitBatch();
    // Runs work in a write transaction of its own (whatever a batch holds is
    // committed first): committed when work succeeds, else rolled back with
    // what reported as the failure unless work reported one.
    bool InTransaction(const std::string& what, const std::function<bool()>& work);
    // Runs before (to write what an owner kept in memory) and after (committed
    // or not) each batch's end, keyed by the owner of the hooks.
    void SetBatchHooks(const void* owner, std::function<void()> beforeCommit,
                       std::function<void(bool committed)> afterEnd);
    void RemoveBatchHooks(const void* owner) { m_hooks.erase(owner); }
    // Call after a write failed: notices a transaction the engine ended.
    void AfterFailedWrite();
    // The record of the import under way (kvBeginImport), which the stores tell what they write.
    CImportRecorder& Imports() { return *m_pImports; }
    // Batched writes committed since the database was opened.
    long long CommittedWrites() const { return m_nCommittedWrites; }

    // Inside a batch: the next ID for an entry of table, from a reserved block.
    bool NextId(const char* table, long long& id);
    // Inside a batch: takes the lock of owner's entries of kind once per
    // transaction; true when taken now (the caller then checks what it kept).
    bool LockOwner(const std::string& kind, const std::string& owner, bool& takenNow);

    // Reports what failed, with the engine's reason (and the note, when there
    // is one), on the monitor queue and as the last error.
    void Fail(const std::string& what, const std::string& note = std::string());

    // The clock the batches are timed by: the steady clock, moved on by
    // AdvanceClock (tests of the one-second batches wait for nothing).
    static std::chrono::steady_clock::time_point Now();
    static void AdvanceClock(std::chrono::milliseconds by);

private:
    bool Refuse(const std::string& reason);
    void ReleaseProbe() { m_pHeldProbe.reset(); }
    bool PrepareSchema();
    // The writes of a batch that the engine rolled back are gone.
    void ForgetBatch();
    void EndBatch(bool committed);

    CMonitorQueue& m_monitor;
    Migration m_migrate;
    std::unique_ptr<CConnection> m_pConnection;
    bool m_bLoginRefused = false;
    bool m_bBatchOpen = false;
    bool m_bBatchHeld = false; // a dependent lookup ran: the next write stays in the batch
    unsigned m_nTransaction = 0;
    long long m_nPendingWrites = 0;
    long long m_nCommittedWrites = 0;
    std::map<const void*, std::pair<std::function<void()>, std::function<void(bool)>>> m_hooks;
    std::map<std::string, std::pair<long long, long long>, std::less<>>
        m_idBlocks;                       // table: next, end
    std::set<std::string> m_lockedOwners; // kind and owner, in this transaction
    std::chrono::steady_clock::time_point m_batchStart;
    std::chrono::steady_clock::duration m_batchPeriod = std::chrono::seconds(1);
    std::unique_ptr<CStatement> m_pHeldProbe;    // see ListReadsOriginals
    std::unique_ptr<CImportRecorder> m_pImports; // last: its batch hooks go first
};
