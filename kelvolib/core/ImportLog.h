#pragma once

#include <functional>
#include <string>

#include "kelvoadmin.h"

class CDatabase;

// The recorded imports read back (kelvo-admin imports): each import with
// what it did in counts, and one import entry by entry; and pruned.
class CImportLog {
public:
    explicit CImportLog(CDatabase& db) : m_db(db) {}

    // Every import in order; of owner's entries or run by owner when not null.
    bool List(const char* owner, const std::function<void(const kvAdminImport&)>& visit);
    // The newest import userName ran that was not taken back, if any.
    bool Last(const std::string& userName, const std::function<void(const kvAdminImport&)>& visit);
    // Import number's entries: action, ID, and the entry's name (last and
    // first name, or title) as it is now and as it was before the import.
    bool Entries(
        int number,
        const std::function<void(int, long long, const std::string&, const std::string&)>& visit);

    // The records import number skipped: the line each began at, and why.
    bool Skips(int number, const std::function<void(long long, const std::string&)>& visit);

    // Removes, in one transaction, the records that began before olderThan
    // (seconds since 1970; 0: none by age) and those beyond the keep newest
    // of each person's (0: none by number); pruned: how many.
    bool Prune(long long olderThan, int keep, long long& pruned);

private:
    // The imports where condition holds (?1 bound to filter, when not null), in order.
    bool Read(const std::string& condition, const std::string* filter,
              const std::function<void(const kvAdminImport&)>& visit);

    CDatabase& m_db;
};
