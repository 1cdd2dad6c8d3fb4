#include "GroupwareCopier.h"

#include <utility>
#include <vector>

#include "AddressFields.h"
#include "Database.h"
#include "ErrorState.h"

namespace {

struct CTable {
    const char* name;
    const char* noun; // for the summary
    std::string columns;
};

std::string AddressColumns() {
    std::string list = "id";
    for (const CAddressField& field : kAddressFields)
        list += std::string(", ") + field.name;
    return list + ", original";
}

} // namespace

bool CGroupwareCopier::CopyTable(const char* table, const char* columns, long long& rows) {
    rows = 0;
    auto read =
        m_source.PrepareList(std::string("SELECT ") + columns + " FROM " + table + " ORDER BY id");
    if (!read)
        return false;
    std::unique_ptr<CStatement> write;
    while (m_source.StepRow(*read, table)) {
        int count = read->ColumnCount();
        if (!write) {
            write = m_target.PrepareAppend(table, columns);
            if (!write)
                return false;
        }
        for (int i = 0; i < count; ++i) {
            if (read->ColumnIsInt(i)) {
                write->BindInt(i + 1, read->ColumnInt64(i));
            } else {
                size_t length = 0;
                const char* data = read->ColumnData(i, length);
                write->BindBytes(i + 1, data, length);
            }
        }
        if (!write->Queue()) {
            m_target.Fail(std::string(table) + " cannot be copied");
            return false;
        }
        ++rows;
        if (m_progress && ++m_nDone % 1024 == 0)
            m_progress(m_nDone, m_nTotal);
    }
    if (read->Step() == CStatement::Result::Error)
        return false;
    // The target numbers new entries after the copied ones.
    auto next = m_target.Prepare(std::string("SELECT coalesce(max(id), 0) + 1 FROM ") + table);
    if (!next || !m_target.StepRow(*next, table) ||
        !m_target.Connection().SetNextId(table, next->ColumnInt64(0))) {
        m_target.Fail(std::string(table) + " cannot be numbered");
        return false;
    }
    return true;
}

bool CGroupwareCopier::CopyLogins() {
    auto users = m_target.Prepare("SELECT name, password FROM users ORDER BY name");
    if (!users)
        return false;
    std::vector<std::pair<std::string, std::string>> logins;
    while (m_target.StepRow(*users, "users"))
        logins.emplace_back(users->ColumnText(0), users->ColumnText(1));
    if (users->Step() == CStatement::Result::Error)
        return false;
    users.reset();
    for (const auto& login : logins)
        if (!m_target.Connection().SetLogin(login.first, login.second)) {
            m_target.Fail("the login of " + login.first + " cannot be made");
            return false;
        }
    return true;
}

bool CGroupwareCopier::Copy(std::string& summary) {
    if (m_source.Location() == m_target.Location()) {
        CErrorState::Set("a database cannot be copied onto itself");
        return false;
    }
    const CTable tables[] = {
        {"users", "users", "id, name, reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, g9, password"},
        {"owners", "schedule owners", "id, name"},
        {"schedules", "schedules",
         "id, owner_id, title, place, start_time, end_time, all_day, public, alarm_lead, "
         "comment, original, series"},
        {"address_categories", "categories", "id, name"},
        {"addresses", "addresses", AddressColumns()},
        {"board", "board messages",
         "id, parent_id, title, user_name, posted_second, posted_minute, posted_hour, "
         "posted_day, posted_month, posted_year, text"},
    };
    CConnection& target = m_target.Connection();
    // A table goes over in one statement, however long it takes.
    std::vector<std::string> names;
    for (const CTable& table : tables)
        names.push_back(table.name);
    if (!m_source.Connection().AllowLongStatements() || !target.AllowLongStatements() ||
        !target.BeginWrite() || !target.ExcludeWriters(names)) {
        m_target.Fail("the target cannot be written");
        target.Rollback();
        return false;
    }
    // Only into an empty groupware: nothing of the target's is overwritten or
    // mixed in. Checked with every other writer kept out, so that of two
    // copies at once the second finds the first one's entries.
    for (const CTable& table : tables) {
        long long rows = -1;
        if (auto count = m_target.Prepare(std::string("SELECT count(*) FROM ") + table.name);
            count && m_target.StepRow(*count, table.name))
            rows = count->ColumnInt64(0);
        if (rows < 0) {
            std::string reason = CErrorState::Get();
            target.Rollback();
            CErrorState::Set(reason);
            return false;
        }
        if (rows != 0) {
            target.Rollback();
            CErrorState::Set("the target " + m_target.Location() + " is not empty (" + table.name +
                             ")");
            return false;
        }
    }
    // What there is to copy, for the progress.
    if (m_progress)
        for (const CTable& table : tables) {
            auto count = m_source.Prepare(std::string("SELECT count(*) FROM ") + table.name);
            if (count && m_source.StepRow(*count, table.name))
                m_nTotal += count->ColumnInt64(0);
        }
    summary.clear();
    for (const CTable& table : tables) {
        long long rows = 0;
        if (!CopyTable(table.name, table.columns.c_str(), rows)) {
            std::string reason = CErrorState::Get();
            target.Rollback();
            CErrorState::Set(reason);
            return false;
        }
        summary += (summary.empty() ? "" : ", ") + std::to_string(rows) + " " + table.noun;
    }
    // The verifiers came along; on a server each user's login is made from them.
    if (!CopyLogins()) {
        std::string reason = CErrorState::Get();
        target.Rollback();
        CErrorState::Set(reason);
        return false;
    }
    if (!target.Commit()) {
        m_target.Fail("the copy cannot be committed");
        target.Rollback();
        return false;
    }
    if (m_progress)
        m_progress(m_nDone, m_nTotal);
    return true;
}
