#pragma once

#include <functional>
#include <string>
#include <utility>

class CDatabase;

// Copies a whole groupware (users, schedules and their owners, addresses,
// categories, board) with its IDs and order into an empty database of either
// engine, in one transaction on the target.
class CGroupwareCopier {
public:
    // progress(done, total) is called now and then with the rows copied.
    using Progress = std::function<void(long long done, long long total)>;
    CGroupwareCopier(CDatabase& source, CDatabase& target, Progress progress = nullptr)
        : m_source(source), m_target(target), m_progress(std::move(progress)) {}

    // False with the reason (on the monitor queue and behind kvLastError);
    // on success summary says what was copied.
    bool Copy(std::string& summary);

private:
    bool CopyTable(const char* table, const char* columns, long long& rows);
    bool CopyLogins();

    CDatabase& m_source;
    CDatabase& m_target;
    Progress m_progress;
    long long m_nDone = 0;
    long long m_nTotal = 0;
};
