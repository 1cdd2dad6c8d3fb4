#include "AddressStore.h"

#include <cstring>

#include "AddressFields.h"
#include "Cp932.h"
#include "Database.h"
#include "ErrorState.h"
#include "MonitorQueue.h"
#include "MonitorText.h"

namespace {

constexpr int kFieldCount = static_cast<int>(std::size(kAddressFields));
// The original follows the fields, in the writes and in the list.
constexpr int kOriginal = kFieldCount;
// A list's row: the fields, the entry's ID and change count, then its original.
constexpr int kReadId = kFieldCount;
constexpr int kReadChanged = kFieldCount + 1;
constexpr int kReadOriginal = kFieldCount + 2;

CEntryWriter::CKind Addresses() {
    CEntryWriter::CKind kind{"addresses", {}, {"id"}, "address", CMonitorText::Say(u8"アドレス")};
    for (const CAddressField& field : kAddressFields)
        kind.columns.push_back(field.name);
    kind.columns.push_back("original");
    return kind;
}

std::string NameOf(const kvAddressRecord* record) {
    std::string name(record->lastName, strnlen(record->lastName, sizeof(record->lastName)));
    return name + " " +
           std::string(record->firstName, strnlen(record->firstName, sizeof(record->firstName)));
}

// The stored length of a field: as BindField stores it.
size_t StoredLength(const char* field, size_t width) {
    size_t length = CCp932::FieldLength(field, width);
    if (length == width && width > 0)
        length = CCp932::CutLength(field, length, width - 1);
    return length;
}

size_t TextLength(const char* text) {
    return text != nullptr ? std::strlen(text) : 0;
}

} // namespace

CAddressStore::CAddressStore(CDatabase& db, CMonitorQueue& monitor)
    : m_db(db), m_monitor(monitor),
      m_index(
          db, "addresses",
          [this](const std::string& owner, long long since, const CDuplicateIndex::AddKey& add) {
              auto read =
                  m_db.PrepareList("SELECT id, last_name, first_name, company FROM addresses "
                                   "WHERE owner = ?1 AND changed > ?2 ORDER BY id");
              if (!read)
                  return false;
              read->BindBytes(1, owner.data(), owner.size());
              read->BindInt(2, since);
              while (m_db.StepRow(*read, "address keys")) {
                  size_t last = 0, first = 0, company = 0;
                  const char* lastName = read->ColumnData(1, last);
                  const char* firstName = read->ColumnData(2, first);
                  const char* companyName = read->ColumnData(3, company);
                  add(Key(lastName, last, firstName, first, companyName, company),
                      {read->ColumnInt64(0)});
              }
              return read->Step() == CStatement::Result::Done;
          }),
      // What this batch added may be gone with a failed write.
      m_writer(db, monitor, m_index, Addresses(), [this] { m_knownCategories.clear(); }) {}

std::string CAddressStore::Key(const char* lastName, size_t lastLength, const char* firstName,
                               size_t firstLength, const char* company, size_t companyLength) {
    std::string key;
    CDuplicateIndex::AppendText(key, lastName, lastLength);
    CDuplicateIndex::AppendText(key, firstName, firstLength);
    CDuplicateIndex::AppendText(key, company, companyLength);
    return key;
}

std::string CAddressStore::KeyOf(const kvAddressRecord* record) {
    return Key(record->lastName, StoredLength(record->lastName, sizeof(record->lastName)),
               record->firstName, StoredLength(record->firstName, sizeof(record->firstName)),
               record->company, StoredLength(record->company, sizeof(record->company)));
}

std::string CAddressStore::OwnerOf(const kvAddressRecord* record) {
    return std::string(record->owner, StoredLength(record->owner, sizeof(record->owner)));
}

bool CAddressStore::Open(const char* owner) {
    Close();
    // The originals only where the book has any: a list without them reads
    // what it read before they were kept.
    m_bReadOriginals = m_db.ListReadsOriginals("addresses", "owner = ?1 OR owner = ?2",
                                               [owner](CStatement& probe) {
                                                   probe.BindText(1, owner);
                                                   probe.BindText(2, "");
                                               });
    std::string columns = m_writer.ColumnList();
    columns.resize(columns.rfind(", original"));
    columns += m_bReadOriginals ? ", id, changed, original" : ", id, changed";
    m_cursor = m_db.PrepareList("SELECT " + columns +
                                " FROM addresses WHERE owner = ?1 OR owner = ?2 ORDER BY id");
    if (!m_cursor)
        return false;
    m_cursor->BindText(1, owner);
    m_cursor->BindText(2, "");
    m_filler.Reset();
    m_strLastOriginal.clear();
    m_lastEntry = {};
    m_strOwner = owner != nullptr ? owner : "";
    m_bOpen = true;
    m_monitor.Push(m_strOwner.empty()
                       ? CMonitorText::Say(u8"公開アドレス帳を開きました")
                       : CMonitorText::Say(u8"%1 のアドレス帳を開きました", {m_strOwner}));
    return true;
}

bool CAddressStore::Close() {
    if (!m_bOpen)
        return false;
    bool committed = !m_bUpdating || EndUpdate();
    // The public book has no owner to name.
    m_monitor.Push(CMonitorText::Say(
        m_strOwner.empty() ? u8"公開アドレス帳を閉じました（表示 %2 件、追加 %3 件、更新 %4 件）"
                           : u8"%1 のアドレス帳を閉じました（表示 %2 件、追加 %3 件、更新 %4 件）",
        {m_strOwner, std::to_string(m_nDelivered), std::to_string(m_nAdded),
         std::to_string(m_nUpdated)}));
    m_cursor.reset();
    m_writer.Close();
    m_find.reset();
    m_index.Clear();
    m_bOpen = false;
    m_bUpdating = false;
    m_knownCategories.clear();
    m_strOwner.clear();
    m_nFoundId = 0;
    m_strNextOriginal.clear();
    m_strLastOriginal.clear();
    m_lastEntry = {};
    m_nDelivered = m_nAdded = m_nUpdated = 0;
    return committed;
}

bool CAddressStore::Next(kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_db.StepRow(*m_cursor, "address book"))
        return false;
    m_filler.Begin(record, sizeof(*record));
    record->head = 0;
    std::memset(record->reserved412, 0, sizeof(record->reserved412));
    std::memset(record->reserved1262, 0, sizeof(record->reserved1262));
    std::memset(record->reserved1562, 0, sizeof(record->reserved1562));
    std::memset(record->reserved3132, 0, sizeof(record->reserved3132));
    for (int i = 0; i < kFieldCount; ++i)
        m_filler.Text(*m_cursor, i, kAddressFields[i].offset, kAddressFields[i].width);
    size_t length = 0;
    const char* original = m_bReadOriginals ? m_cursor->ColumnData(kReadOriginal, length) : nullptr;
    if (original != nullptr)
        m_strLastOriginal.assign(original, length);
    else
        m_strLastOriginal.clear();
    m_lastEntry = {m_cursor->ColumnInt64(kReadId), m_cursor->ColumnInt64(kReadChanged)};
    ++m_nDelivered;
    return true;
}

bool CAddressStore::BeginUpdate(const char* owner) {
    if (!m_bOpen) {
        m_monitor.Push(CMonitorText::Say(u8"アドレス帳が開いていないため、更新を始めませんでした"));
        return false;
    }
    m_bUpdating = true;
    m_monitor.Push(owner == nullptr || *owner == '\0'
                       ? CMonitorText::Say(u8"公開アドレス帳の更新を始めました")
                       : CMonitorText::Say(u8"%1 のアドレス更新を始めました", {owner}));
    return true;
}

bool CAddressStore::EndUpdate() {
    if (!m_bUpdating)
        return false;
    m_bUpdating = false;
    bool committed = m_db.CommitBatch();
    if (m_db.Imports().Records("addresses"))
        m_db.Imports().Forget(); // not ended: a record cut short
    m_monitor.Push(CMonitorText::Say(u8"アドレス更新を終えました"));
    return committed;
}

bool CAddressStore::Refuse(const kvAddressRecord* record, const char* what) {
    m_monitor.Push(CMonitorText::Say(u8"アドレス更新を始めていないため、%1 を%2できませんでした",
                                     {NameOf(record), CMonitorText::Verb(what)}));
    return false;
}

bool CAddressStore::Write(CStatement& statement, const kvAddressRecord* record, const char* what) {
    const char* bytes = reinterpret_cast<const char*>(record);
    for (int i = 0; i < kFieldCount; ++i)
        statement.BindField(i + 1, bytes + kAddressFields[i].offset, kAddressFields[i].width);
    // The original goes with this write only; it stays bound until the
    // statement has run (the next write binds the next one).
    m_strBoundOriginal.swap(m_strNextOriginal);
    m_strNextOriginal.clear();
    statement.BindBytes(kOriginal + 1, m_strBoundOriginal.data(), m_strBoundOriginal.size());
    return m_writer.Queue(statement, NameOf(record), what);
}

const std::string& CAddressStore::RowColumns() {
    // Made once: a replacing import names them for every entry it replaces.
    static const std::string columns = CEntryWriter::RowColumns(Addresses());
    return columns;
}

bool CAddressStore::Add(const kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_bUpdating)
        return Refuse(record, "added");
    std::string owner = OwnerOf(record);
    long long id = 0;
    CStatement* append = m_writer.Append(owner, id);
    if (append == nullptr || !Write(*append, record, "added"))
        return false;
    m_index.Written(
        owner, [record] { return KeyOf(record); }, {id}, 0);
    if (m_db.Imports().Records("addresses"))
        m_db.Imports().Added(id);
    ++m_nAdded;
    return true;
}

bool CAddressStore::Update(const kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (m_nFoundId == 0) {
        m_monitor.Push(CMonitorText::Say(
            u8"重複が見つかっていないため、アドレス %1 を更新しませんでした", {NameOf(record)}));
        return false;
    }
    if (!m_bUpdating)
        return Refuse(record, "updated");
    std::string owner = OwnerOf(record);
    CStatement* update = m_writer.Update(owner, m_strFoundOwner);
    if (update == nullptr)
        return false;
    update->BindInt(m_writer.KeyParameter(), m_nFoundId);
    const long long found = m_nFoundId;
    if (m_db.Imports().Records("addresses") &&
        !m_db.Imports().Replacing(
            "addresses", RowColumns(), "id = ?2", found,
            [found](CStatement& statement, int from) { statement.BindInt(from, found); }))
        return false;
    if (!Write(*update, record, "updated"))
        return false;
    std::string key = KeyOf(record);
    m_index.Updated(m_strFoundOwner, m_strFoundKey, owner, key, {m_nFoundId});
    m_strFoundOwner = owner;
    m_strFoundKey = key;
    ++m_nUpdated;
    return true;
}

bool CAddressStore::FindDuplicate(const char* owner, const char* lastName, const char* firstName,
                                  const char* company) {
    m_nFoundId = 0;
    if (!m_bOpen)
        return false;
    // A null owner means the open owner's private entries; "" the public ones.
    std::string searched = owner != nullptr ? owner : m_strOwner;
    std::string key = Key(lastName, TextLength(lastName), firstName, TextLength(firstName), company,
                          TextLength(company));
    bool found = false;
    if (m_bUpdating) {
        // The lookup and the add or update it decides run in one write
        // transaction, under the owner's lock, so that two importers of one
        // file cannot both miss an entry and both add it. The keys are read
        // once and kept: no query per entry.
        CDuplicateIndex::Values values;
        if (!m_db.BeforeDependentLookup() || !m_index.Touch(searched) ||
            !m_index.Find(searched, key, values, found))
            return false;
        if (found)
            m_nFoundId = values[0];
    } else {
        if (!m_find)
            m_find = m_db.Prepare("SELECT id FROM addresses WHERE owner = ?1 AND last_name = ?2 "
                                  "AND first_name = ?3 AND company = ?4 ORDER BY id LIMIT 1");
        if (!m_find)
            return false;
        m_find->BindText(1, searched.c_str());
        m_find->BindText(2, lastName);
        m_find->BindText(3, firstName);
        m_find->BindText(4, company);
        found = m_db.StepRow(*m_find, "address book");
        if (found)
            m_nFoundId = m_find->ColumnInt64(0);
        m_find->Reset();
    }
    if (!found)
        return false;
    m_strFoundOwner = searched;
    m_strFoundKey = key;
    m_monitor.Push(CMonitorText::Say(
        u8"重複するアドレスがあります: %1 %2",
        {lastName != nullptr ? lastName : "", firstName != nullptr ? firstName : ""}));
    return true;
}

bool CAddressStore::SetNextOriginal(const char* original) {
    const size_t length = TextLength(original);
    if (length > KV_ORIGINAL_MAX) {
        CErrorState::Set("the original of an address is longer than " +
                         std::to_string(KV_ORIGINAL_MAX) + " bytes");
        return false;
    }
    m_strNextOriginal.assign(original != nullptr ? original : "", length);
    return true;
}

bool CAddressStore::AddCategory(const char* category) {
    if (category == nullptr || *category == '\0')
        return false;
    if (!m_addCategory)
        m_addCategory =
            m_db.Prepare("INSERT INTO address_categories(name) VALUES (?1) ON CONFLICT DO NOTHING");
    if (!m_addCategory)
        return false;
    m_addCategory->BindText(1, category);
    if (!m_addCategory->Run()) {
        m_db.Fail("category " + std::string(category) + " cannot be added");
        m_db.AfterFailedWrite();
        return false;
    }
    if (m_addCategory->Changes() > 0)
        m_monitor.Push(CMonitorText::Say(u8"分類を追加しました: %1", {category}));
    m_knownCategories.insert(category);
    return true;
}

bool CAddressStore::FindCategory(const char* category) {
    if (category == nullptr || *category == '\0')
        return false;
    // Categories are never removed: one known to exist needs no query per entry.
    if (m_knownCategories.count(category) != 0)
        return true;
    if (!m_findCategory)
        m_findCategory = m_db.Prepare("SELECT 1 FROM address_categories WHERE name = ?1");
    if (!m_findCategory)
        return false;
    m_findCategory->BindText(1, category);
    bool found = m_db.StepRow(*m_findCategory, "categories");
    m_findCategory->Reset();
    if (found)
        m_knownCategories.insert(category);
    return found;
}
