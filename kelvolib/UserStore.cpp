#include "UserStore.h"

#include <cstring>

#include "Database.h"
#include "ErrorState.h"
#include "MonitorQueue.h"

namespace {

const char kColumns[] = "name, reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, g9, password";

} // namespace

void CUserStore::Fill(const CStatement& row, kvUserRecord* record) {
    std::memset(record, 0, sizeof(*record));
    row.ColumnToField(0, record->userName, sizeof(record->userName));
    row.ColumnToField(1, record->reading, sizeof(record->reading));
    for (int i = 0; i < KV_GROUP_COUNT; ++i)
        row.ColumnToField(2 + i, record->groups[i], sizeof(record->groups[i]));
    row.ColumnToField(12, record->password, sizeof(record->password));
}

void CUserStore::BindProfile(CStatement& statement, const kvUserRecord* record) {
    statement.BindField(1, record->reading, sizeof(record->reading));
    for (int i = 0; i < KV_GROUP_COUNT; ++i)
        statement.BindField(2 + i, record->groups[i], sizeof(record->groups[i]));
    statement.BindField(12, record->password, sizeof(record->password));
}

bool CUserStore::Open(const char* filter, const char* userName) {
    m_cursor.reset();
    m_bOpen = false;
    m_nDelivered = 0;
    std::string sql = std::string("SELECT ") + kColumns + " FROM users";
    std::string what = "users opened";
    if (filter == nullptr && userName != nullptr) {
        sql += " WHERE name = ?1";
        what = "user " + std::string(userName) + " opened";
    } else if (filter != nullptr && *filter != '\0') {
        sql += " WHERE ?1 IN (g0, g1, g2, g3, g4, g5, g6, g7, g8, g9)";
        what = "users of group " + std::string(filter) + " opened";
    }
    sql += " ORDER BY name";
    m_cursor = m_db.PrepareList(sql);
    if (!m_cursor)
        return false;
    if (filter == nullptr && userName != nullptr)
        m_cursor->BindText(1, userName);
    else if (filter != nullptr && *filter != '\0')
        m_cursor->BindText(1, filter);
    m_bOpen = true;
    m_monitor.Push(what);
    return true;
}

bool CUserStore::Close() {
    if (!m_bOpen)
        return false;
    m_monitor.Push("users closed after " + std::to_string(m_nDelivered) + " delivered");
    m_cursor.reset();
    m_bOpen = false;
    return true;
}

bool CUserStore::Next(kvUserRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_db.StepRow(*m_cursor, "users"))
        return false;
    Fill(*m_cursor, record);
    ++m_nDelivered;
    return true;
}

bool CUserStore::Rewind() {
    if (!m_bOpen)
        return false;
    m_cursor->Reset();
    return true;
}

bool CUserStore::Get(const char* userName, kvUserRecord* record) {
    if (userName == nullptr || record == nullptr)
        return false;
    auto query = m_db.Prepare(std::string("SELECT ") + kColumns + " FROM users WHERE name = ?1");
    if (!query)
        return false;
    query->BindText(1, userName);
    // No such user is no failure: 0 without a reason.
    if (!m_db.StepRow(*query, "user"))
        return false;
    Fill(*query, record);
    return true;
}

bool CUserStore::Update(const char* userName, const kvUserRecord* record) {
    if (userName == nullptr || record == nullptr)
        return false;
    auto update = m_db.Prepare("UPDATE users SET reading = ?1, g0 = ?2, g1 = ?3, g2 = ?4, "
                               "g3 = ?5, g4 = ?6, g5 = ?7, g6 = ?8, g7 = ?9, g8 = ?10, g9 = ?11, "
                               "password = ?12 WHERE name = ?13");
    if (!update)
        return false;
    BindProfile(*update, record);
    update->BindText(13, userName);
    if (!update->Run()) {
        m_db.Fail("user " + std::string(userName) + " cannot be updated");
        m_db.AfterFailedWrite();
        return false;
    }
    if (update->Changes() == 0) {
        m_monitor.Push("user " + std::string(userName) + " not found for update");
        CErrorState::Set("no user " + std::string(userName));
        return false;
    }
    // The password itself is never reported.
    m_monitor.Push("user " + std::string(userName) + " updated");
    return true;
}

bool CUserStore::Add(const kvUserRecord* record) {
    if (record == nullptr || record->userName[0] == '\0') {
        CErrorState::Set("a user needs a name");
        return false;
    }
    auto insert = m_db.Prepare("INSERT INTO users(reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, "
                               "g9, password, name) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                               "?10, ?11, ?12, ?13) ON CONFLICT DO NOTHING");
    if (!insert)
        return false;
    BindProfile(*insert, record);
    insert->BindField(13, record->userName, sizeof(record->userName));
    std::string name(record->userName, strnlen(record->userName, sizeof(record->userName)));
    if (!insert->Run()) {
        m_db.Fail("user " + name + " cannot be added");
        m_db.AfterFailedWrite();
        return false;
    }
    if (insert->Changes() == 0) {
        m_monitor.Push("user " + name + " exists already");
        CErrorState::Set("user exists already");
        return false;
    }
    m_monitor.Push("user " + name + " added");
    return true;
}

bool CUserStore::Exists(const char* userName) {
    if (userName == nullptr)
        return false;
    auto query = m_db.Prepare("SELECT 1 FROM users WHERE name = ?1");
    if (!query)
        return false;
    query->BindText(1, userName);
    return query->Step() == CStatement::Result::Row;
}
