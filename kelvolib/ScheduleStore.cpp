#include "ScheduleStore.h"

#include <cstddef>
#include <cstring>

#include "Database.h"
#include "MonitorQueue.h"

namespace {

// Every column but the ID; the owner is stored by number.
const char kColumns[] =
    "owner_id, title, place, start_second, start_minute, start_hour, start_day, start_month, "
    "start_year, end_second, end_minute, end_hour, end_day, end_month, end_year, all_day, "
    "public, alarm_lead, comment";
// The same as read back: every row of an enumeration belongs to the owner bound as ?2.
const char kReadColumns[] =
    "?2, title, place, start_second, start_minute, start_hour, start_day, start_month, "
    "start_year, end_second, end_minute, end_hour, end_day, end_month, end_year, all_day, "
    "public, alarm_lead, comment";

void BindTime(CStatement& statement, int first, const kvTimeBlock& time) {
    statement.BindInt(first, time.seconds);
    statement.BindInt(first + 1, time.minutes);
    statement.BindInt(first + 2, time.hours);
    statement.BindInt(first + 3, time.dayOfMonth);
    statement.BindInt(first + 4, time.month);
    statement.BindInt(first + 5, time.yearsSince1900);
}

void ReadTime(const CStatement& row, int first, kvTimeBlock& time) {
    time.seconds = row.ColumnInt(first);
    time.minutes = row.ColumnInt(first + 1);
    time.hours = row.ColumnInt(first + 2);
    time.dayOfMonth = row.ColumnInt(first + 3);
    time.month = row.ColumnInt(first + 4);
    time.yearsSince1900 = row.ColumnInt(first + 5);
}

std::string TitleOf(const kvScheduleRecord* record) {
    return std::string(record->title, strnlen(record->title, sizeof(record->title)));
}

} // namespace

CScheduleStore::CScheduleStore(CDatabase& db, CMonitorQueue& monitor)
    : m_db(db), m_monitor(monitor) {
    m_db.SetBeforeCommit(this, [this] { SaveSequence(); });
}

CScheduleStore::~CScheduleStore() {
    m_db.RemoveBeforeCommit(this);
}

bool CScheduleStore::Open(const char* owner) {
    Close();
    if (owner == nullptr)
        return false;
    std::string sql = std::string("SELECT ") + kReadColumns +
                      " FROM schedules WHERE owner_id = ?1 ORDER BY start_year, start_month, "
                      "start_day, start_hour, start_minute, start_second, id";
    long long ownerId = -1; // an owner without entries has no number yet
    if (!m_db.Prepare(m_cursor, sql.c_str()) || !OwnerId(owner, false, ownerId))
        return false;
    m_cursor.BindInt(1, ownerId);
    m_cursor.BindText(2, owner);
    m_filler.Reset();
    m_strOwner = owner;
    m_bOpen = true;
    m_monitor.Push("schedules of " + m_strOwner + " opened");
    return true;
}

bool CScheduleStore::Close() {
    if (!m_bOpen)
        return false;
    bool committed = m_db.CommitBatch();
    m_monitor.Push("schedules of " + m_strOwner + " closed: " + std::to_string(m_nDelivered) +
                   " delivered, " + std::to_string(m_nAdded) + " added, " +
                   std::to_string(m_nUpdated) + " updated");
    m_cursor = CStatement();
    m_insert = CStatement();
    m_update = CStatement();
    m_find = CStatement();
    m_owners.clear();
    m_bOpen = false;
    m_strOwner.clear();
    m_bFound = false;
    m_nDelivered = m_nAdded = m_nUpdated = 0;
    return committed;
}

bool CScheduleStore::Next(kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_db.StepRow(m_cursor, "schedules"))
        return false;
    m_filler.Begin(record, sizeof(*record));
    m_filler.Text(m_cursor, 0, offsetof(kvScheduleRecord, owner), sizeof(record->owner));
    m_filler.Text(m_cursor, 1, offsetof(kvScheduleRecord, title), sizeof(record->title));
    m_filler.Text(m_cursor, 2, offsetof(kvScheduleRecord, place), sizeof(record->place));
    record->head = 0;
    record->start = kvTimeBlock{};
    record->end = kvTimeBlock{};
    ReadTime(m_cursor, 3, record->start);
    ReadTime(m_cursor, 9, record->end);
    record->allDay = m_cursor.ColumnInt(15);
    record->isPublic = m_cursor.ColumnInt(16);
    record->alarmLeadMinutes = m_cursor.ColumnInt(17);
    std::memset(record->reserved, 0, sizeof(record->reserved));
    m_filler.Text(m_cursor, 18, offsetof(kvScheduleRecord, comment), sizeof(record->comment));
    ++m_nDelivered;
    return true;
}

bool CScheduleStore::OwnerId(const std::string& owner, bool create, long long& id) {
    auto known = m_owners.find(owner);
    if (known != m_owners.end()) {
        id = known->second;
        return true;
    }
    if (!m_findOwner.IsPrepared() &&
        !m_db.Prepare(m_findOwner, "SELECT id FROM owners WHERE name = ?1"))
        return false;
    m_findOwner.BindText(1, owner.c_str());
    int result = m_findOwner.Step();
    if (result == SQLITE_ROW)
        id = m_findOwner.ColumnInt64(0);
    m_findOwner.Reset();
    if (result == SQLITE_ROW) {
        m_owners[owner] = id;
        return true;
    }
    if (result != SQLITE_DONE) {
        m_db.Fail("schedule owners cannot be read");
        return false;
    }
    if (!create)
        return true; // id keeps the caller's "none"
    if (!m_addOwner.IsPrepared() &&
        !m_db.Prepare(m_addOwner, "INSERT INTO owners(name) VALUES (?1)"))
        return false;
    m_addOwner.BindText(1, owner.c_str());
    if (m_addOwner.Run() != SQLITE_DONE) {
        m_db.Fail("schedule owner cannot be added");
        m_db.AfterFailedWrite();
        return false;
    }
    id = sqlite3_last_insert_rowid(m_db.Handle());
    m_owners[owner] = id;
    return true;
}

bool CScheduleStore::BindRecord(CStatement& statement, const kvScheduleRecord* record) {
    std::string owner =
        record->owner[0] != '\0'
            ? std::string(record->owner, strnlen(record->owner, sizeof(record->owner)))
            : m_strOwner;
    long long ownerId = -1;
    if (!OwnerId(owner, true, ownerId))
        return false;
    statement.BindInt(1, ownerId);
    statement.BindField(2, record->title, sizeof(record->title));
    statement.BindField(3, record->place, sizeof(record->place));
    BindTime(statement, 4, record->start);
    BindTime(statement, 10, record->end);
    statement.BindInt(16, record->allDay != 0 ? 1 : 0);
    statement.BindInt(17, record->isPublic != 0 ? 1 : 0);
    statement.BindInt(18, record->alarmLeadMinutes);
    statement.BindField(19, record->comment, sizeof(record->comment));
    return true;
}

bool CScheduleStore::Write(CStatement& statement, const kvScheduleRecord* record,
                           const char* what) {
    if (!BindRecord(statement, record))
        return false;
    if (statement.Run() != SQLITE_DONE) {
        m_db.Fail("schedule " + TitleOf(record) + " cannot be " + what);
        m_db.AfterFailedWrite();
        m_owners.clear(); // an owner this batch numbered may be gone
        return false;
    }
    m_db.NoteBatchedWrite();
    m_monitor.Push(std::string("schedule ") + what + ": " + TitleOf(record));
    return true;
}

bool CScheduleStore::NextId(long long& id) {
    if (m_nIdTransaction == m_db.TransactionNumber() && m_nNextId > 0) {
        id = m_nNextId++;
        m_bSequenceDirty = true;
        return true;
    }
    // A new transaction: another writer may have taken IDs since.
    if (!m_readSequence.IsPrepared() &&
        !m_db.Prepare(m_readSequence,
                      "SELECT coalesce((SELECT next FROM kv_sequence WHERE name = 'schedules'), "
                      "(SELECT coalesce(max(id), 0) + 1 FROM schedules))"))
        return false;
    bool read = m_readSequence.Step() == SQLITE_ROW;
    if (read)
        m_nNextId = m_readSequence.ColumnInt64(0);
    m_readSequence.Reset();
    if (!read) {
        m_db.Fail("schedules cannot be numbered");
        return false;
    }
    m_nIdTransaction = m_db.TransactionNumber();
    id = m_nNextId++;
    m_bSequenceDirty = true;
    return true;
}

void CScheduleStore::SaveSequence() {
    if (!m_bSequenceDirty)
        return;
    m_bSequenceDirty = false;
    if (!m_saveSequence.IsPrepared() &&
        !m_db.Prepare(m_saveSequence,
                      "INSERT INTO kv_sequence(name, next) VALUES ('schedules', ?1) "
                      "ON CONFLICT(name) DO UPDATE SET next = excluded.next"))
        return;
    m_saveSequence.BindInt(1, m_nNextId);
    if (m_saveSequence.Run() != SQLITE_DONE)
        m_db.Fail("schedule numbering cannot be saved");
}

bool CScheduleStore::Add(const kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_insert.IsPrepared()) {
        std::string sql = std::string("INSERT INTO schedules(") + kColumns +
                          ", id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, "
                          "?14, ?15, ?16, ?17, ?18, ?19, ?20)";
        if (!m_db.Prepare(m_insert, sql.c_str()))
            return false;
    }
    long long id = 0;
    if (!m_db.BeforeBatchedWrite() || !NextId(id))
        return false;
    m_insert.BindInt(20, id);
    if (!Write(m_insert, record, "added"))
        return false;
    ++m_nAdded;
    return true;
}

bool CScheduleStore::Update(const kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_bFound) {
        m_monitor.Push("schedule " + TitleOf(record) + " not updated: no entry was found");
        return false;
    }
    if (!m_update.IsPrepared() &&
        !m_db.Prepare(m_update,
                      "UPDATE schedules SET owner_id = ?1, title = ?2, place = ?3, "
                      "start_second = ?4, start_minute = ?5, start_hour = ?6, start_day = ?7, "
                      "start_month = ?8, start_year = ?9, end_second = ?10, end_minute = ?11, "
                      "end_hour = ?12, end_day = ?13, end_month = ?14, end_year = ?15, "
                      "all_day = ?16, public = ?17, alarm_lead = ?18, comment = ?19 "
                      "WHERE owner_id = ?20 AND start_year = ?21 AND start_month = ?22 AND "
                      "start_day = ?23 AND start_hour = ?24 AND start_minute = ?25 AND "
                      "start_second = ?26 AND id = ?27"))
        return false;
    if (!m_db.BeforeBatchedWrite())
        return false;
    for (int i = 0; i < 8; ++i)
        m_update.BindInt(20 + i, m_foundKey[i]);
    if (!Write(m_update, record, "updated"))
        return false;
    ++m_nUpdated;
    return true;
}

bool CScheduleStore::FindDuplicate(int year, int month, int day, int hour, int minute, int allDay,
                                   const char* title) {
    m_bFound = false;
    if (!m_bOpen)
        return false;
    // The lookup and the add or update it decides run in one write transaction,
    // so that two importers of one file cannot both miss an entry and both add it.
    if (!m_db.BeforeDependentLookup())
        return false;
    if (!m_find.IsPrepared() &&
        !m_db.Prepare(m_find, "SELECT owner_id, start_year, start_month, start_day, start_hour, "
                              "start_minute, start_second, id FROM schedules "
                              "WHERE owner_id = ?1 AND start_year = ?2 "
                              "AND start_month = ?3 AND start_day = ?4 AND start_hour = ?5 "
                              "AND start_minute = ?6 AND all_day = ?7 AND title = ?8 "
                              "ORDER BY id LIMIT 1"))
        return false;
    long long ownerId = -1;
    if (!OwnerId(m_strOwner, false, ownerId))
        return false;
    m_find.BindInt(1, ownerId);
    m_find.BindInt(2, static_cast<long long>(year) - 1900);
    m_find.BindInt(3, static_cast<long long>(month) - 1);
    m_find.BindInt(4, day);
    m_find.BindInt(5, hour);
    m_find.BindInt(6, minute);
    m_find.BindInt(7, allDay != 0 ? 1 : 0);
    m_find.BindText(8, title);
    int result = m_find.Step();
    if (result == SQLITE_ROW) {
        m_bFound = true;
        for (int i = 0; i < 8; ++i)
            m_foundKey[i] = m_find.ColumnInt64(i);
    } else if (result != SQLITE_DONE) {
        m_db.Fail("schedules cannot be searched");
    }
    m_find.Reset();
    if (m_bFound)
        m_monitor.Push("schedule found as duplicate: " +
                       std::string(title != nullptr ? title : ""));
    return m_bFound;
}
