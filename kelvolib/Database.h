#pragma once

#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>

class CMonitorQueue;
class CStatement;

// The groupware's SQLite connection: where the file lives, its schema, and the
// write batches that make imports fast without risking more than a second of work.
class CDatabase {
public:
    explicit CDatabase(CMonitorQueue& monitor);
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // $KELVO_DATABASE, else $XDG_DATA_HOME/kelvo/groupware.db, else
    // $HOME/.local/share/kelvo/groupware.db; false (with the reason) when none
    // of them is set to something usable.
    static bool ConfiguredPath(std::string& path, std::string& error);

    // Opens (creating the file 0600, and for the default location its folder
    // 0700) and brings the schema up to date. A file that is not a groupware
    // database of ours, or one written by a newer library, is refused without
    // a change. Reports the reason on failure.
    bool Open();
    const std::string& Path() const { return m_strPath; }
    sqlite3* Handle() const { return m_pDb; }

    // Prepares sql, reporting a failure.
    bool Prepare(CStatement& statement, const char* sql);
    bool Exec(const char* sql);
    // Steps a cursor: true on a row; at the end false, and on an error false
    // with "<what> cannot be read" reported.
    bool StepRow(CStatement& cursor, const char* what);

    // Call before each batched write: opens the batch's transaction, or commits
    // it and opens the next when it began more than a second ago.
    bool BeforeBatchedWrite();
    // Call before a lookup that a batched write will depend on (the duplicate
    // checks): the batch's transaction is opened (or renewed) now, and the
    // next batched write stays in it, so that no other writer comes between
    // the lookup and the write.
    bool BeforeDependentLookup();
    // Call after each batched write that succeeded.
    void NoteBatchedWrite() { ++m_nPendingWrites; }
    // Changes whenever a batch's transaction begins: what a store read from
    // the database before may have changed since.
    unsigned TransactionNumber() const { return m_nTransaction; }
    // Commits the batch, if one is open.
    bool CommitBatch();
    // Batched writes committed since the database was opened.
    long long CommittedWrites() const { return m_nCommittedWrites; }
    // Runs hook (keyed by its owner) just before each batch commits, to write
    // what the owner kept in memory during the batch.
    void SetBeforeCommit(const void* owner, std::function<void()> hook) {
        m_beforeCommit[owner] = std::move(hook);
    }
    void RemoveBeforeCommit(const void* owner) { m_beforeCommit.erase(owner); }
    // Call after a write failed: notices a transaction SQLite rolled back.
    void AfterFailedWrite();

    // Reports what failed, with SQLite's reason, on the monitor queue.
    void Fail(const std::string& what);

private:
    // What the file holds, read without changing it.
    enum class Content { Empty, Ours, Legacy, Foreign };
    bool Identify(Content& content, int& version);
    bool CreateSchema();
    bool Refuse(const std::string& reason);
    // The writes of a batch that SQLite rolled back are gone.
    void ForgetBatch();

    CMonitorQueue& m_monitor;
    sqlite3* m_pDb = nullptr;
    std::string m_strPath;
    bool m_bBatchOpen = false;
    bool m_bBatchHeld = false; // a dependent lookup ran: the next write stays in the batch
    long long m_nPendingWrites = 0;
    long long m_nCommittedWrites = 0;
    unsigned m_nTransaction = 0;
    std::map<const void*, std::function<void()>> m_beforeCommit;
    std::chrono::steady_clock::time_point m_batchStart;
    std::chrono::steady_clock::duration m_batchPeriod = std::chrono::seconds(1);
};
