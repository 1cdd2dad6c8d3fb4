#pragma once

#include <string>
#include <vector>

class CDatabase;

// Takes an import back (kelvo-admin import undo, a person's own in the
// viewer), in one transaction: the entries it added removed, those it
// replaced or removed put back as they were, the import marked as taken back.
// Entries a later import (not taken back) replaced or removed are named and
// the whole is refused, unless force says to keep those later changes (they
// are then left as they are).
class CImportUndo {
public:
    struct CResult {
        long long removed = 0;  // added entries removed
        long long restored = 0; // replaced or removed entries put back
        long long kept = 0;     // entries left with a later import's changes
    };

    explicit CImportUndo(CDatabase& db) : m_db(db) {}

    // person: when not null, only an import that person ran is taken back.
    bool Undo(int number, bool force, const std::string* person, CResult& result);
    // What was done, as kelvo-admin says it ("removed 3 added entries, put back 2").
    static std::string Summary(const CResult& result);

private:
    // The library's own statements, where no engine function does it: true
    // with changed filled (and nothing done) when later changes refuse it.
    bool Run(int number, bool force, const std::string& kind, const std::string& owner,
             std::vector<long long>& changed, CResult& result);

    CDatabase& m_db;
};
