#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Statement.h"

class CDatabase;
class CDuplicateIndex;
class CMonitorQueue;

// The one way the stores write an entry: into the open write batch
// (CDatabase), with the owner's lock taken and its duplicate keys current
// (CDuplicateIndex), every statement prepared once, and the outcome said the
// same way. A store binds its columns from ?1 to ?n (n = the columns given);
// the writer binds the rest: an appended entry's new ID and stamp, an
// update's stamp. An update's key (which entry) is the store's, from
// KeyParameter() on.
class CEntryWriter {
public:
    struct CKind {
        std::string table;                // "addresses"
        std::vector<std::string> columns; // bound ?1 ... ?n by the store
        std::vector<std::string> key;     // what an update finds its entry by, bound in order
                                          // from ?KeyParameter() by the store
        std::string noun;                 // in failures: "address"
        std::string shown;                // on the monitor (code page 932): アドレス
    };

    // forget: what the store must forget when a write fails (the batch's
    // writes may be gone with it).
    CEntryWriter(CDatabase& db, CMonitorQueue& monitor, CDuplicateIndex& index, CKind kind,
                 std::function<void()> forget);
    ~CEntryWriter();
    CEntryWriter(const CEntryWriter&) = delete;
    CEntryWriter& operator=(const CEntryWriter&) = delete;

    // The columns as a list ("a, b, c"), for the store's reads.
    std::string ColumnList() const;
    // Every column of kind's rows: the store's, the ID and the stamp.
    static std::string RowColumns(const CKind& kind);
    // The first parameter of an update's key.
    int KeyParameter() const { return Columns() + 2; }

    // Before an add of owner's entry: the batch opened or renewed, the
    // owner's keys touched, a new ID reserved (given back); the append
    // statement with the ID and the stamp bound, or null on a failure.
    CStatement* Append(const std::string& owner, long long& id);
    // Before an update of an entry of foundOwner, which becomes owner's: the
    // same for both owners; the update statement with the stamp bound.
    CStatement* Update(const std::string& owner, const std::string& foundOwner);
    // Queues statement, the write of the entry called name (what: "added" or
    // "updated"); on a failure the reason is reported and the store forgets.
    bool Queue(CStatement& statement, const std::string& name, const char* what);
    // Drops the statements (the store closes).
    void Close();

private:
    int Columns() const { return static_cast<int>(m_kind.columns.size()); }
    bool Touch(const std::string& owner);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    CDuplicateIndex& m_index;
    CKind m_kind;
    std::function<void()> m_forget;
    std::unique_ptr<CStatement> m_append;
    std::unique_ptr<CStatement> m_update;
};
