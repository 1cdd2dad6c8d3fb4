#pragma once

#include <string>
#include <vector>

class CDatabase;

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

private:
    CDatabase& m_db;
};
