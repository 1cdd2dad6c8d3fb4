#pragma once

#include <string>

class CDatabase;

// Copies a whole groupware (users, schedules and their owners, addresses,
// categories, board) with its IDs and order into an empty database of either
// engine, in one transaction on the target.
class CGroupwareCopier {
public:
    CGroupwareCopier(CDatabase& source, CDatabase& target) : m_source(source), m_target(target) {}

    // False with the reason (on the monitor queue and behind kvLastError);
    // on success summary says what was copied.
    bool Copy(std::string& summary);

private:
    bool CopyTable(const char* table, const char* columns, long long& rows);
    bool CopyLogins();

    CDatabase& m_source;
    CDatabase& m_target;
};
