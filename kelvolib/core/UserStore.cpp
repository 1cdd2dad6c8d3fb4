#include "UserStore.h"

#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "Database.h"
#include "ErrorState.h"
#include "MonitorQueue.h"
#include "MonitorText.h"
#include "PasswordVerifier.h"

namespace {

// Never the password: a person on the server may not read it, and nobody needs it.
const char kColumns[] = "name, reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, g9";

std::string FieldText(const char* field, size_t width) {
    return std::string(field, strnlen(field, width));
}

} // namespace

void CUserStore::Fill(const CStatement& row, kvUserRecord* record) {
    std::memset(record, 0, sizeof(*record));
    row.ColumnToField(0, record->userName, sizeof(record->userName));
    row.ColumnToField(1, record->reading, sizeof(record->reading));
    for (int i = 0; i < KV_GROUP_COUNT; ++i)
        row.ColumnToField(2 + i, record->groups[i], sizeof(record->groups[i]));
}

void CUserStore::BindProfile(CStatement& statement, const kvUserRecord* record) {
    statement.BindField(1, record->reading, sizeof(record->reading));
    for (int i = 0; i < KV_GROUP_COUNT; ++i)
        statement.BindField(2 + i, record->groups[i], sizeof(record->groups[i]));
}

bool CUserStore::Open(const char* filter, const char* userName) {
    m_cursor.reset();
    m_bOpen = false;
    m_nDelivered = 0;
    std::string sql = std::string("SELECT ") + kColumns + " FROM users";
    std::string what = CMonitorText::Say(u8"ユーザー一覧を開きました");
    if (filter == nullptr && userName != nullptr) {
        sql += " WHERE name = ?1";
        what = CMonitorText::Say(u8"ユーザー %1 を開きました", {userName});
    } else if (filter != nullptr && *filter != '\0') {
        sql += " WHERE ?1 IN (g0, g1, g2, g3, g4, g5, g6, g7, g8, g9)";
        what = CMonitorText::Say(u8"グループ %1 のユーザーを開きました", {filter});
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
    m_monitor.Push(
        CMonitorText::Say(u8"ユーザー一覧を閉じました（%1 件）", {std::to_string(m_nDelivered)}));
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
    // A record written back as it was delivered (the password change does
    // that) changes nothing: no write, which a person on the server may not
    // make to another user's record.
    auto stored = std::make_unique<kvUserRecord>();
    if (!Get(userName, stored.get())) {
        if (!CErrorState::Get().empty())
            return false;
        m_monitor.Push(
            CMonitorText::Say(u8"ユーザー %1 がいないため更新しませんでした", {userName}));
        CErrorState::Set("no user " + std::string(userName));
        return false;
    }
    bool same = FieldText(stored->reading, sizeof(stored->reading)) ==
                FieldText(record->reading, sizeof(record->reading));
    for (int i = 0; i < KV_GROUP_COUNT; ++i)
        same = same && FieldText(stored->groups[i], sizeof(stored->groups[i])) ==
                           FieldText(record->groups[i], sizeof(record->groups[i]));
    if (same)
        return true; // nothing happened, so the monitor says nothing
    auto update = m_db.Prepare("UPDATE users SET reading = ?1, g0 = ?2, g1 = ?3, g2 = ?4, "
                               "g3 = ?5, g4 = ?6, g5 = ?7, g6 = ?8, g7 = ?9, g8 = ?10, g9 = ?11 "
                               "WHERE name = ?12");
    if (!update)
        return false;
    BindProfile(*update, record);
    update->BindText(12, userName);
    if (!update->Run()) {
        m_db.Fail("user " + std::string(userName) + " cannot be updated");
        m_db.AfterFailedWrite();
        return false;
    }
    if (update->Changes() == 0) {
        m_monitor.Push(
            CMonitorText::Say(u8"ユーザー %1 がいないため更新しませんでした", {userName}));
        CErrorState::Set("no user " + std::string(userName));
        return false;
    }
    m_monitor.Push(CMonitorText::Say(u8"ユーザー %1 を更新しました", {userName}));
    return true;
}

bool CUserStore::Acceptable(const std::string& password, std::string& reason) {
    if (password.size() >= KV_PASSWORD_SIZE) {
        reason = "a password has at most " + std::to_string(KV_PASSWORD_SIZE - 1) + " bytes";
        return false;
    }
    if (CPasswordVerifier::HasControl(password)) {
        reason = "a password cannot hold control characters";
        return false;
    }
    return true;
}

bool CUserStore::NewVerifier(const std::string& password, const std::string& what,
                             std::string& verifier) {
    std::string reason;
    if (!Acceptable(password, reason)) {
        CErrorState::Set(what + ": " + reason);
        return false;
    }
    if (!CPasswordVerifier::Make(password, verifier)) {
        CErrorState::Set(what + ": no random salt can be had");
        return false;
    }
    return true;
}

bool CUserStore::UpdateUser(const std::string& what, const std::string& userName,
                            const char* column, const std::function<void(CStatement&)>& bind,
                            const std::function<bool()>& alsoOnServer) {
    bool missing = false;
    bool done = m_db.InTransaction(what, [&] {
        auto update =
            m_db.Prepare(std::string("UPDATE users SET ") + column + " = ?1 WHERE name = ?2");
        if (!update)
            return false;
        bind(*update);
        update->BindBytes(2, userName.data(), userName.size());
        if (!update->Run())
            return false;
        missing = update->Changes() == 0;
        return !missing && alsoOnServer();
    });
    if (missing) {
        CErrorState::Set("no user " + userName);
        return false;
    }
    return done;
}

bool CUserStore::Add(const kvUserRecord* record) {
    if (record == nullptr || record->userName[0] == '\0') {
        CErrorState::Set("a user needs a name");
        return false;
    }
    std::string name = FieldText(record->userName, sizeof(record->userName));
    std::string verifier;
    if (!NewVerifier(FieldText(record->password, sizeof(record->password)),
                     "user " + name + " cannot be added", verifier))
        return false;
    // A removed user's entries, kept, belong to nobody: a new user of the
    // same name would be given them.
    long long schedules = 0, addresses = 0;
    bool removed = false;
    if (!WasRemoved(name, removed) || (removed && !KeptEntries(name, schedules, addresses)))
        return false;
    if (removed) {
        CErrorState::Set("user " + name + " cannot be added: " + std::to_string(schedules) +
                         " schedules and " + std::to_string(addresses) +
                         " addresses of a removed user of that name are kept; kelvo-admin user "
                         "remove " +
                         name + " --purge removes them");
        return false;
    }
    bool exists = false;
    bool added = m_db.InTransaction("user " + name + " cannot be added", [&] {
        auto insert = m_db.Prepare("INSERT INTO users(reading, g0, g1, g2, g3, g4, g5, g6, g7, "
                                   "g8, g9, password, name) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, "
                                   "?8, ?9, ?10, ?11, ?12, ?13) ON CONFLICT DO NOTHING");
        if (!insert)
            return false;
        BindProfile(*insert, record);
        insert->BindBytes(12, verifier.data(), verifier.size());
        insert->BindField(13, record->userName, sizeof(record->userName));
        if (!insert->Run())
            return false;
        exists = insert->Changes() == 0;
        return !exists && m_db.Connection().SetLogin(name, verifier);
    });
    if (exists) {
        m_monitor.Push(CMonitorText::Say(u8"ユーザー %1 はすでにいます", {name}));
        CErrorState::Set("user exists already");
        return false;
    }
    if (added)
        m_monitor.Push(CMonitorText::Say(u8"ユーザー %1 を追加しました", {name}));
    return added;
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

bool CUserStore::CheckPassword(const std::string& userName, const std::string& password,
                               bool& matches) {
    matches = false;
    auto query = m_db.Prepare("SELECT password, disabled FROM users WHERE name = ?1");
    if (!query)
        return false;
    query->BindBytes(1, userName.data(), userName.size());
    CStatement::Result result = query->Step();
    if (result == CStatement::Result::Error) {
        m_db.Fail("the password of " + userName + " cannot be read");
        return false;
    }
    const bool found = result == CStatement::Result::Row;
    const bool disabled = found && query->ColumnInt64(1) != 0;
    // An unknown name is checked against no verifier: as slow as a wrong
    // password; so is a disabled user, whose right password is refused too.
    matches = CPasswordVerifier::Check(found ? query->ColumnText(0) : std::string(), password) &&
              found && !disabled;
    return true;
}

bool CUserStore::SetPassword(const std::string& userName, const std::string& password) {
    std::string verifier;
    if (!NewVerifier(password, "the password of " + userName + " cannot be changed", verifier))
        return false;
    bool changed = UpdateUser(
        "the password of " + userName + " cannot be changed", userName, "password",
        [&](CStatement& update) { update.BindBytes(1, verifier.data(), verifier.size()); },
        [&] { return m_db.Connection().SetLogin(userName, verifier); });
    if (changed) // never the password itself
        m_monitor.Push(CMonitorText::Say(u8"%1 のパスワードを変更しました", {userName}));
    return changed;
}

bool CUserStore::ConvertPasswords() {
    std::vector<std::pair<std::string, std::string>> users;
    auto read = m_db.Prepare("SELECT name, password FROM users ORDER BY name");
    if (!read)
        return false;
    while (read->Step() == CStatement::Result::Row)
        users.emplace_back(read->ColumnText(0), read->ColumnText(1));
    read.reset();
    auto update = m_db.Prepare("UPDATE users SET password = ?1 WHERE name = ?2");
    if (!update)
        return false;
    for (auto& user : users) {
        if (!CPasswordVerifier::IsVerifier(user.second)) {
            std::string verifier;
            if (!CPasswordVerifier::Make(user.second, verifier))
                return false;
            user.second = verifier;
            update->BindBytes(1, verifier.data(), verifier.size());
            update->BindBytes(2, user.first.data(), user.first.size());
            if (!update->Run())
                return false;
        }
        if (!m_db.Connection().SetLogin(user.first, user.second))
            return false;
    }
    return true;
}

bool CUserStore::KeptEntries(const std::string& userName, long long& schedules,
                             long long& addresses) {
    auto count = m_db.Prepare("SELECT (SELECT count(*) FROM schedules WHERE owner_id IN "
                              "(SELECT id FROM owners WHERE name = ?1)), "
                              "(SELECT count(*) FROM addresses WHERE owner = ?1)");
    if (!count)
        return false;
    count->BindBytes(1, userName.data(), userName.size());
    if (!m_db.StepRow(*count, "the entries"))
        return false;
    schedules = count->ColumnInt64(0);
    addresses = count->ColumnInt64(1);
    return true;
}

bool CUserStore::WasRemoved(const std::string& userName, bool& removed) {
    auto query = m_db.Prepare("SELECT 1 FROM removed_users WHERE name = ?1");
    if (!query)
        return false;
    query->BindBytes(1, userName.data(), userName.size());
    CStatement::Result result = query->Step();
    if (result == CStatement::Result::Error) {
        m_db.Fail("the removed users cannot be read");
        return false;
    }
    removed = result == CStatement::Result::Row;
    return true;
}

bool CUserStore::Remove(const std::string& userName, bool purge, long long& schedules,
                        long long& addresses) {
    if (!KeptEntries(userName, schedules, addresses))
        return false;
    const bool user = Exists(userName.c_str());
    bool removedBefore = false;
    if (!WasRemoved(userName, removedBefore))
        return false;
    if (!user && !(purge && removedBefore)) {
        CErrorState::Set("no user " + userName);
        return false;
    }
    const std::string what = "user " + userName + " cannot be removed";
    bool removed = m_db.InTransaction(what, [&] {
        // The user and its login in one transaction; with purge, its private
        // entries and what numbered or counted them.
        const char* kept[] = {"DELETE FROM users WHERE name = ?1",
                              "INSERT INTO removed_users(name) VALUES (?1) ON CONFLICT DO NOTHING"};
        const char* purged[] = {
            "DELETE FROM users WHERE name = ?1",
            "DELETE FROM schedules WHERE owner_id IN (SELECT id FROM owners WHERE name = ?1)",
            "DELETE FROM addresses WHERE owner = ?1",
            "DELETE FROM owners WHERE name = ?1",
            "DELETE FROM kv_changes WHERE owner = ?1",
            "DELETE FROM removed_users WHERE name = ?1"};
        // Nothing to keep: the name is free again at once.
        const bool keep = !purge && schedules + addresses > 0;
        const std::vector<const char*> statements =
            keep ? std::vector<const char*>(std::begin(kept), std::end(kept))
                 : std::vector<const char*>(std::begin(purged), std::end(purged));
        for (const char* sql : statements) {
            auto statement = m_db.Prepare(sql);
            if (!statement)
                return false;
            statement->BindBytes(1, userName.data(), userName.size());
            if (!statement->Run())
                return false;
        }
        return !user || m_db.Connection().DropLogin(userName);
    });
    if (!removed)
        return false;
    ClearFailures(userName);
    m_monitor.Push(CMonitorText::Say(purge || schedules + addresses == 0
                                         ? u8"ユーザー %1 とその項目を削除しました"
                                         : u8"ユーザー %1 を削除しました（項目は残しました）",
                                     {userName}));
    return true;
}

bool CUserStore::Enable(const std::string& userName, bool enabled) {
    bool done = UpdateUser(
        "user " + userName + " cannot be " + (enabled ? "enabled" : "disabled"), userName,
        "disabled", [&](CStatement& update) { update.BindInt(1, enabled ? 0 : 1); },
        [&] { return m_db.Connection().EnableLogin(userName, enabled); });
    if (done)
        m_monitor.Push(CMonitorText::Say(enabled
                                             ? u8"ユーザー %1 がサインインできるようにしました"
                                             : u8"ユーザー %1 がサインインできないようにしました",
                                         {userName}));
    return done;
}

int CUserStore::CountFailure(const std::string& userName) {
    int failures = 0;
    if (!m_db.Connection().CountsSignInFailures())
        return 0;
    m_db.InTransaction("a failed sign-in cannot be counted", [&] {
        auto count = m_db.Prepare("INSERT INTO sign_in_failures(name, failures) VALUES (?1, 1) "
                                  "ON CONFLICT(name) DO UPDATE SET failures = failures + 1 "
                                  "RETURNING failures");
        if (!count)
            return false;
        count->BindBytes(1, userName.data(), userName.size());
        if (count->Step() != CStatement::Result::Row)
            return false;
        failures = count->ColumnInt(0);
        count->Reset();
        return true;
    });
    CErrorState::Clear(); // a count that failed is no failure of the sign-in
    return failures;
}

void CUserStore::ClearFailures(const std::string& userName) {
    if (!m_db.Connection().CountsSignInFailures())
        return;
    auto count = m_db.Prepare("SELECT 1 FROM sign_in_failures WHERE name = ?1");
    if (!count)
        return;
    count->BindBytes(1, userName.data(), userName.size());
    const bool failed = count->Step() == CStatement::Result::Row;
    count.reset();
    if (failed)
        m_db.InTransaction("failed sign-ins cannot be forgotten", [&] {
            auto forget = m_db.Prepare("DELETE FROM sign_in_failures WHERE name = ?1");
            if (!forget)
                return false;
            forget->BindBytes(1, userName.data(), userName.size());
            return forget->Run();
        });
    CErrorState::Clear();
}
