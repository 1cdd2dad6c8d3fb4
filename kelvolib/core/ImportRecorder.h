#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Statement.h"

class CDatabase;

// The record of the import under way (kvBeginImport): the stores tell it
// what they write, and it writes that beside the entries, in the same write
// batches: the IDs of a batch's added entries just before the batch commits,
// a replaced or removed entry's former row just before it changes.
class CImportRecorder {
public:
    explicit CImportRecorder(CDatabase& db);
    ~CImportRecorder();
    CImportRecorder(const CImportRecorder&) = delete;
    CImportRecorder& operator=(const CImportRecorder&) = delete;

    struct CStart {
        std::string kind; // "addresses" or "schedules"
        std::string owner, userName, file, hash, form, options;
        long long size = 0;
    };
    // Begins a record in the open write batch; false (with the reason
    // reported) when one is under way or it cannot be written.
    bool Begin(const CStart& start, long long& number);
    // Writes a record's row (in whatever transaction is open): its number,
    // or 0 when it cannot be written.
    static long long WriteStart(CDatabase& db, const CStart& start);
    // Ends it in the open batch (which the caller then commits).
    bool End(long long skipped);
    // Whether writes of kind are recorded now.
    bool Records(const char* kind) const { return m_nImport != 0 && m_strKind == kind; }
    // The number of the import under way (0: none).
    long long Number() const { return m_nImport; }

    // An entry added in the open batch.
    void Added(long long id) { m_added.push_back(id); }
    // Before an entry is replaced: its former row, found as the table's update
    // finds it (bind binds the key from the parameter given on).
    bool Replacing(const std::string& table, const std::string& columns,
                   const std::string& condition, long long id,
                   const std::function<void(CStatement&, int)>& bind);
    // Before an owner's entries of a series are removed: their former rows.
    bool RemovingSeries(const std::string& columns, const std::string& owner,
                        const std::string& series);
    // A record the import read at line of its file and did not store, and why.
    bool Skipped(long long line, const std::string& reason);
    // The store closed: whatever is under way ends unrecorded.
    void Forget();

private:
    bool WriteEntries(int action, std::vector<long long>& ids);

    CDatabase& m_db;
    long long m_nImport = 0;
    bool m_bBegun = false; // a batch with the record in it committed
    std::string m_strKind;
    std::vector<long long> m_added;    // in the open batch
    std::vector<long long> m_replaced; // likewise
    std::unique_ptr<CStatement> m_begin, m_entries, m_before, m_end, m_skip;
    std::vector<std::unique_ptr<CStatement>> m_series;
    std::string m_strBeforeTable;
};
