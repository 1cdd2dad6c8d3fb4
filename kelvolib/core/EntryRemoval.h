#pragma once

#include <string>
#include <vector>

class CDatabase;
class CStatement;

// Removes entries for the administrator (kelvo-admin delete) or a person
// (their own, from a sync client), in one
// transaction and recorded like an import (form "delete": the entries as
// removed, with their rows as they were), so that taking the record back
// puts them back.
class CEntryRemoval {
public:
    explicit CEntryRemoval(CDatabase& db) : m_db(db) {}

    struct CWhich {
        bool addresses = true;
        std::string owner;                    // code page 932; "" the public addresses
        bool all = false;                     // every entry of the owner's
        std::vector<long long> ids;           // or these
        int import = 0;                       // or those this import added
        std::string userName = "kelvo-admin"; // who removes them, as the record says
        bool person = false;                  // a person removing their own (owner is theirs)
    };
    // count: the entries removed (or, with dryRun, that would be); number:
    // the record's (0 for a dry run or when none was removed).
    bool Remove(const CWhich& which, bool dryRun, long long& count, int& number);
    // Removes the entries of which.ids (of which.owner) as part of the import
    // under way (its number import), in its write batch: recorded with it as
    // removed. count: how many.
    bool RemoveInImport(const CWhich& which, long long import, long long& count);

private:
    // The entries meant, their parameters numbered from first on: the owner,
    // then an ID or the import whose added entries go.
    static std::string Condition(const CWhich& which, int first);
    static void Bind(const CWhich& which, CStatement& statement, int first, long long key);
    static const std::vector<long long>& Keys(const CWhich& which);
    static std::string IdList(const CWhich& which);
    bool Count(const CWhich& which, long long& count);
    // Keeps each entry's row with record number, records it as removed, and removes it.
    bool Move(const CWhich& which, long long number);

    CDatabase& m_db;
};
