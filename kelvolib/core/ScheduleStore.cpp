#include "ScheduleStore.h"

#include <cstddef>
#include <cstring>

#include "Cp932.h"
#include "Database.h"
#include "ErrorState.h"
#include "MonitorQueue.h"
#include "MonitorText.h"
#include "TimeKey.h"

namespace {

// The columns a store writes, in their parameters' order: the owner stored by
// number, each time packed into one column (CTimeKey).
enum Column : int {
    kOwnerId = 1,
    kTitle,
    kPlace,
    kStartTime,
    kEndTime,
    kAllDay,
    kPublic,
    kAlarmLead,
    kComment,
    kOriginal,
    kSeries,
};
// What an update finds its entry by, from the writer's key parameter on.
enum FoundKey : int { kFoundOwner, kFoundStart, kFoundId };

CEntryWriter::CKind Schedules() {
    return {"schedules",
            {"owner_id", "title", "place", "start_time", "end_time", "all_day", "public",
             "alarm_lead", "comment", "original", "series"},
            {"owner_id", "start_time", "id"},
            "schedule",
            CMonitorText::Say(u8"スケジュール")};
}

// Read back without the owner, which every row of an enumeration shares.
const char kReadColumns[] =
    "title, place, start_time, end_time, all_day, public, alarm_lead, comment, id, changed";
constexpr int kReadId = 8;
constexpr int kReadChanged = 9;
constexpr int kReadOriginal = 10;

void ReadTime(const CStatement& row, int column, kvTimeBlock& time) {
    size_t length = 0;
    const char* data = row.ColumnData(column, length);
    CTimeKey::Unpack(data, length, time);
}

std::string TitleOf(const kvScheduleRecord* record) {
    return std::string(record->title, strnlen(record->title, sizeof(record->title)));
}

// The stored length of a field: as BindField stores it.
size_t StoredLength(const char* field, size_t width) {
    size_t length = CCp932::FieldLength(field, width);
    if (length == width && width > 0)
        length = CCp932::CutLength(field, length, width - 1);
    return length;
}

} // namespace

CScheduleStore::CScheduleStore(CDatabase& db, CMonitorQueue& monitor)
    : m_db(db), m_monitor(monitor),
      m_index(
          db, "schedules",
          [this](const std::string& owner, long long since, const CDuplicateIndex::AddKey& add) {
              long long ownerId = -1;
              if (!OwnerId(owner, false, ownerId))
                  return false;
              if (ownerId < 0)
                  return true; // no entries yet
              auto read = m_db.PrepareList("SELECT start_time, all_day, title, id FROM schedules "
                                           "WHERE owner_id = ?1 AND changed > ?2 ORDER BY id");
              if (!read)
                  return false;
              read->BindInt(1, ownerId);
              read->BindInt(2, since);
              while (m_db.StepRow(*read, "schedule keys")) {
                  kvTimeBlock start{};
                  ReadTime(*read, 0, start);
                  size_t length = 0;
                  const char* title = read->ColumnData(2, length);
                  add(Key(start.yearsSince1900, start.month, start.dayOfMonth, start.hours,
                          start.minutes, read->ColumnInt64(1), title, length),
                      {ownerId, start.yearsSince1900, start.month, start.dayOfMonth, start.hours,
                       start.minutes, start.seconds, read->ColumnInt64(3)});
              }
              return read->Step() == CStatement::Result::Done;
          }),
      // An owner this batch numbered may be gone with a failed write.
      m_writer(db, monitor, m_index, Schedules(), [this] { m_owners.clear(); }) {
    m_index.SetIdIndex(7); // the values end with the ID
}

std::string CScheduleStore::Key(long long year, long long month, long long day, long long hour,
                                long long minute, long long allDay, const char* title,
                                size_t length) {
    std::string key;
    for (long long part : {year, month, day, hour, minute, allDay})
        CDuplicateIndex::AppendNumber(key, part);
    CDuplicateIndex::AppendText(key, title, length);
    return key;
}

std::string CScheduleStore::OwnerOf(const kvScheduleRecord* record) const {
    return record->owner[0] != '\0'
               ? std::string(record->owner, StoredLength(record->owner, sizeof(record->owner)))
               : m_strOwner;
}

bool CScheduleStore::Open(const char* owner) {
    Close();
    if (owner == nullptr)
        return false;
    long long ownerId = -1; // an owner without entries has no number yet
    if (!OwnerId(owner, false, ownerId))
        return false;
    // The originals only where the owner has any: a list without them reads
    // what it read before they were kept.
    m_bReadOriginals = m_db.ListReadsOriginals(
        "schedules", "owner_id = ?1", [ownerId](CStatement& probe) { probe.BindInt(1, ownerId); });
    m_cursor = m_db.PrepareList(std::string("SELECT ") + kReadColumns +
                                (m_bReadOriginals ? ", original" : "") +
                                " FROM schedules WHERE owner_id = ?1 ORDER BY start_time, id");
    if (!m_cursor)
        return false;
    m_cursor->BindInt(1, ownerId);
    m_filler.Reset();
    m_strLastOriginal.clear();
    m_lastEntry = {};
    m_strOwner = owner;
    m_bOpen = true;
    m_monitor.Push(CMonitorText::Say(u8"%1 のスケジュールを開きました", {m_strOwner}));
    return true;
}

bool CScheduleStore::Close() {
    if (!m_bOpen)
        return false;
    bool committed = m_db.CommitBatch();
    if (m_db.Imports().Records("schedules"))
        m_db.Imports().Forget(); // not ended: a record cut short
    m_monitor.Push(
        CMonitorText::Say(u8"%1 のスケジュールを閉じました（表示 %2 件、追加 %3 件、更新 %4 件）",
                          {m_strOwner, std::to_string(m_nDelivered), std::to_string(m_nAdded),
                           std::to_string(m_nUpdated)}));
    m_cursor.reset();
    m_writer.Close();
    m_index.Clear();
    m_owners.clear();
    m_bOpen = false;
    m_strOwner.clear();
    m_bFound = false;
    m_strNextOriginal.clear();
    m_strNextSeries.clear();
    m_claimedSeries.clear();
    m_removeSeries.reset();
    m_strLastOriginal.clear();
    m_lastEntry = {};
    m_nDelivered = m_nAdded = m_nUpdated = 0;
    return committed;
}

bool CScheduleStore::Next(kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_db.StepRow(*m_cursor, "schedules"))
        return false;
    m_filler.Begin(record, sizeof(*record));
    m_filler.Bytes(m_strOwner.data(), m_strOwner.size(), offsetof(kvScheduleRecord, owner),
                   sizeof(record->owner));
    m_filler.Text(*m_cursor, 0, offsetof(kvScheduleRecord, title), sizeof(record->title));
    m_filler.Text(*m_cursor, 1, offsetof(kvScheduleRecord, place), sizeof(record->place));
    record->head = 0;
    record->start = kvTimeBlock{};
    record->end = kvTimeBlock{};
    ReadTime(*m_cursor, 2, record->start);
    ReadTime(*m_cursor, 3, record->end);
    record->allDay = m_cursor->ColumnInt(4);
    record->isPublic = m_cursor->ColumnInt(5);
    record->alarmLeadMinutes = m_cursor->ColumnInt(6);
    std::memset(record->reserved, 0, sizeof(record->reserved));
    m_filler.Text(*m_cursor, 7, offsetof(kvScheduleRecord, comment), sizeof(record->comment));
    m_strLastOriginal.clear();
    size_t length = 0;
    const char* original = m_bReadOriginals ? m_cursor->ColumnData(kReadOriginal, length) : nullptr;
    if (original != nullptr)
        m_strLastOriginal.assign(original, length);
    m_lastEntry = {m_cursor->ColumnInt64(kReadId), m_cursor->ColumnInt64(kReadChanged)};
    ++m_nDelivered;
    return true;
}

bool CScheduleStore::OwnerId(const std::string& owner, bool create, long long& id) {
    auto known = m_owners.find(owner);
    if (known != m_owners.end()) {
        id = known->second;
        return true;
    }
    if (!m_findOwner)
        m_findOwner = m_db.Prepare("SELECT id FROM owners WHERE name = ?1");
    if (!m_findOwner)
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_findOwner->BindBytes(1, owner.data(), owner.size());
        CStatement::Result result = m_findOwner->Step();
        if (result == CStatement::Result::Row)
            id = m_findOwner->ColumnInt64(0);
        m_findOwner->Reset();
        if (result == CStatement::Result::Row) {
            m_owners[owner] = id;
            return true;
        }
        if (result == CStatement::Result::Error) {
            m_db.Fail("schedule owners cannot be read");
            return false;
        }
        if (!create || attempt > 0)
            return true; // id keeps the caller's "none"
        // Another writer may number the same owner at the same time: whoever
        // comes second finds the first one's number.
        if (!m_addOwner)
            m_addOwner =
                m_db.Prepare("INSERT INTO owners(name) VALUES (?1) ON CONFLICT DO NOTHING");
        if (!m_addOwner)
            return false;
        m_addOwner->BindBytes(1, owner.data(), owner.size());
        if (!m_addOwner->Run()) {
            m_db.Fail("schedule owner cannot be added");
            m_db.AfterFailedWrite();
            return false;
        }
    }
    return true;
}

bool CScheduleStore::Write(CStatement& statement, const kvScheduleRecord* record, long long ownerId,
                           const char* what) {
    statement.BindInt(kOwnerId, ownerId);
    statement.BindField(kTitle, record->title, sizeof(record->title));
    statement.BindField(kPlace, record->place, sizeof(record->place));
    // Bound as they are, not copied: they stay until the statement has run.
    m_startKey = CTimeKey::Pack(record->start);
    m_endKey = CTimeKey::Pack(record->end);
    statement.BindBytes(kStartTime, m_startKey.data(), m_startKey.size());
    statement.BindBytes(kEndTime, m_endKey.data(), m_endKey.size());
    statement.BindInt(kAllDay, record->allDay != 0 ? 1 : 0);
    statement.BindInt(kPublic, record->isPublic != 0 ? 1 : 0);
    statement.BindInt(kAlarmLead, record->alarmLeadMinutes);
    statement.BindField(kComment, record->comment, sizeof(record->comment));
    // The original and the series go with this write only.
    m_strBoundOriginal.swap(m_strNextOriginal);
    m_strBoundSeries.swap(m_strNextSeries);
    m_strNextOriginal.clear();
    m_strNextSeries.clear();
    statement.BindBytes(kOriginal, m_strBoundOriginal.data(), m_strBoundOriginal.size());
    statement.BindBytes(kSeries, m_strBoundSeries.data(), m_strBoundSeries.size());
    return m_writer.Queue(statement, TitleOf(record), what);
}

const std::string& CScheduleStore::RowColumns() {
    // Made once: a replacing import names them for every entry it replaces.
    static const std::string columns = CEntryWriter::RowColumns(Schedules());
    return columns;
}

bool CScheduleStore::Add(const kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    std::string owner = OwnerOf(record);
    long long id = 0, ownerId = -1;
    if (!ClaimSeries(owner))
        return false;
    CStatement* append = m_writer.Append(owner, id);
    if (append == nullptr || !OwnerId(owner, true, ownerId) ||
        !Write(*append, record, ownerId, "added"))
        return false;
    m_index.Written(
        owner,
        [record] {
            return Key(record->start.yearsSince1900, record->start.month, record->start.dayOfMonth,
                       record->start.hours, record->start.minutes, record->allDay != 0 ? 1 : 0,
                       record->title, StoredLength(record->title, sizeof(record->title)));
        },
        {ownerId, record->start.yearsSince1900, record->start.month, record->start.dayOfMonth,
         record->start.hours, record->start.minutes, record->start.seconds, id},
        7);
    if (m_db.Imports().Records("schedules"))
        m_db.Imports().Added(id);
    ++m_nAdded;
    return true;
}

bool CScheduleStore::Update(const kvScheduleRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_bFound) {
        m_monitor.Push(
            CMonitorText::Say(u8"重複が見つかっていないため、スケジュール %1 を更新しませんでした",
                              {TitleOf(record)}));
        return false;
    }
    std::string owner = OwnerOf(record);
    long long ownerId = -1;
    if (!ClaimSeries(owner))
        return false;
    CStatement* update = m_writer.Update(owner, m_strOwner);
    if (update == nullptr || !OwnerId(owner, true, ownerId))
        return false;
    // The stored key of the entry found: its owner, start and ID.
    m_foundStart = CTimeKey::Pack(m_foundKey[1], m_foundKey[2], m_foundKey[3], m_foundKey[4],
                                  m_foundKey[5], m_foundKey[6]);
    const int key = m_writer.KeyParameter();
    update->BindInt(key + kFoundOwner, m_foundKey[0]);
    update->BindBytes(key + kFoundStart, m_foundStart.data(), m_foundStart.size());
    update->BindInt(key + kFoundId, m_foundKey[7]);
    if (m_db.Imports().Records("schedules") &&
        !m_db.Imports().Replacing(
            "schedules", RowColumns(), "owner_id = ?2 AND start_time = ?3 AND id = ?4",
            m_foundKey[7], [this](CStatement& statement, int from) {
                statement.BindInt(from, m_foundKey[0]);
                statement.BindBytes(from + 1, m_foundStart.data(), m_foundStart.size());
                statement.BindInt(from + 2, m_foundKey[7]);
            }))
        return false;
    if (!Write(*update, record, ownerId, "updated"))
        return false;
    // The entry keeps its ID; its start (the rest of its stored key) may move.
    CDuplicateIndex::Values values = {ownerId,
                                      record->start.yearsSince1900,
                                      record->start.month,
                                      record->start.dayOfMonth,
                                      record->start.hours,
                                      record->start.minutes,
                                      record->start.seconds,
                                      m_foundKey[7]};
    std::string newKey =
        Key(record->start.yearsSince1900, record->start.month, record->start.dayOfMonth,
            record->start.hours, record->start.minutes, record->allDay != 0 ? 1 : 0, record->title,
            StoredLength(record->title, sizeof(record->title)));
    m_index.Updated(m_strOwner, m_strFoundKey, owner, newKey, values);
    m_foundKey = values;
    m_strFoundKey = newKey;
    ++m_nUpdated;
    return true;
}

bool CScheduleStore::FindDuplicate(int year, int month, int day, int hour, int minute, int allDay,
                                   const char* title) {
    m_bFound = false;
    if (!m_bOpen)
        return false;
    // The lookup and the add or update it decides run in one write transaction,
    // under the owner's lock, so that two importers of one file cannot both
    // miss an entry and both add it. The keys are read once and kept.
    std::string key =
        Key(static_cast<long long>(year) - 1900, static_cast<long long>(month) - 1, day, hour,
            minute, allDay != 0 ? 1 : 0, title, title != nullptr ? std::strlen(title) : 0);
    bool found = false;
    CDuplicateIndex::Values values;
    // A series about to be written again is gone before its entries are looked for.
    if (!ClaimSeries(m_strOwner) || !m_db.BeforeDependentLookup() || !m_index.Touch(m_strOwner) ||
        !m_index.Find(m_strOwner, key, values, found))
        return false;
    if (!found)
        return false;
    m_bFound = true;
    m_foundKey = values;
    m_strFoundKey = key;
    m_monitor.Push(
        CMonitorText::Say(u8"重複するスケジュールがあります: %1", {title != nullptr ? title : ""}));
    return true;
}

bool CScheduleStore::SetNextOriginal(const char* original, const char* series) {
    const size_t length = original != nullptr ? std::strlen(original) : 0;
    if (length > KV_ORIGINAL_MAX) {
        CErrorState::Set("the original of a schedule is longer than " +
                         std::to_string(KV_ORIGINAL_MAX) + " bytes");
        return false;
    }
    m_strNextOriginal.assign(original != nullptr ? original : "", length);
    m_strNextSeries = series != nullptr ? series : "";
    return true;
}

bool CScheduleStore::ClaimSeries(const std::string& owner) {
    if (m_strNextSeries.empty() || !m_claimedSeries.insert(m_strNextSeries).second)
        return true;
    if (!m_removeSeries)
        m_removeSeries = m_db.Connection().PrepareSeriesRemoval();
    if (!m_removeSeries || !m_db.BeforeBatchedWrite() || !m_index.Touch(owner)) {
        m_claimedSeries.erase(m_strNextSeries);
        return false;
    }
    m_removeSeries->BindBytes(1, owner.data(), owner.size());
    m_removeSeries->BindBytes(2, m_strNextSeries.data(), m_strNextSeries.size());
    if ((m_db.Imports().Records("schedules") &&
         !m_db.Imports().RemovingSeries(RowColumns(), owner, m_strNextSeries)) ||
        !m_removeSeries->Run()) {
        m_claimedSeries.erase(m_strNextSeries);
        m_db.Fail("the series " + m_strNextSeries + " cannot be replaced");
        m_db.AfterFailedWrite();
        return false;
    }
    m_index.Removed(owner);
    m_monitor.Push(
        CMonitorText::Say(u8"%1 のシリーズ %2 を置き換えます", {owner, m_strNextSeries}));
    return true;
}
