#include "AddressStore.h"

#include <cstring>

#include "AddressFields.h"
#include "Database.h"
#include "MonitorQueue.h"

namespace {

constexpr int kFieldCount = static_cast<int>(std::size(kAddressFields));

std::string ColumnList() {
    std::string list;
    for (const CAddressField& field : kAddressFields)
        list += (list.empty() ? "" : ", ") + std::string(field.name);
    return list;
}

std::string NameOf(const kvAddressRecord* record) {
    std::string name(record->lastName, strnlen(record->lastName, sizeof(record->lastName)));
    return name + " " +
           std::string(record->firstName, strnlen(record->firstName, sizeof(record->firstName)));
}

} // namespace

bool CAddressStore::Open(const char* owner) {
    Close();
    std::string sql = "SELECT " + ColumnList() +
                      " FROM addresses WHERE owner = ?1 OR owner = "
                      "x'' ORDER BY id";
    if (!m_db.Prepare(m_cursor, sql.c_str()))
        return false;
    m_cursor.BindText(1, owner);
    m_filler.Reset();
    m_strOwner = owner != nullptr ? owner : "";
    m_bOpen = true;
    m_monitor.Push("address book of " + m_strOwner + " opened");
    return true;
}

bool CAddressStore::Close() {
    if (!m_bOpen)
        return false;
    bool committed = !m_bUpdating || EndUpdate();
    m_monitor.Push("address book of " + m_strOwner + " closed: " + std::to_string(m_nDelivered) +
                   " delivered, " + std::to_string(m_nAdded) + " added, " +
                   std::to_string(m_nUpdated) + " updated");
    m_cursor = CStatement();
    m_insert = CStatement();
    m_update = CStatement();
    m_find = CStatement();
    m_bOpen = false;
    m_bUpdating = false;
    m_knownCategories.clear();
    m_strOwner.clear();
    m_nFoundId = 0;
    m_nDelivered = m_nAdded = m_nUpdated = 0;
    return committed;
}

bool CAddressStore::Next(kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_db.StepRow(m_cursor, "address book"))
        return false;
    m_filler.Begin(record, sizeof(*record));
    record->head = 0;
    std::memset(record->reserved412, 0, sizeof(record->reserved412));
    std::memset(record->reserved1262, 0, sizeof(record->reserved1262));
    std::memset(record->reserved1562, 0, sizeof(record->reserved1562));
    std::memset(record->reserved3132, 0, sizeof(record->reserved3132));
    for (int i = 0; i < kFieldCount; ++i)
        m_filler.Text(m_cursor, i, kAddressFields[i].offset, kAddressFields[i].width);
    ++m_nDelivered;
    return true;
}

bool CAddressStore::BeginUpdate(const char* owner) {
    if (!m_bOpen) {
        m_monitor.Push("address update refused: the address book is not open");
        return false;
    }
    m_bUpdating = true;
    m_monitor.Push("address update of " + std::string(owner != nullptr ? owner : "") + " begun");
    return true;
}

bool CAddressStore::EndUpdate() {
    if (!m_bUpdating)
        return false;
    m_bUpdating = false;
    bool committed = m_db.CommitBatch();
    m_monitor.Push("address update ended");
    return committed;
}

bool CAddressStore::Write(CStatement& statement, const kvAddressRecord* record, const char* what) {
    if (!m_bUpdating) {
        m_monitor.Push("address " + NameOf(record) + " not " + what +
                       ": no update phase has begun");
        return false;
    }
    if (!m_db.BeforeBatchedWrite())
        return false;
    const char* bytes = reinterpret_cast<const char*>(record);
    for (int i = 0; i < kFieldCount; ++i)
        statement.BindField(i + 1, bytes + kAddressFields[i].offset, kAddressFields[i].width);
    if (statement.Run() != SQLITE_DONE) {
        m_db.Fail("address " + NameOf(record) + " cannot be " + what);
        m_db.AfterFailedWrite();
        m_knownCategories.clear(); // what this batch added may be gone
        return false;
    }
    m_db.NoteBatchedWrite();
    m_monitor.Push(std::string("address ") + what + ": " + NameOf(record));
    return true;
}

bool CAddressStore::Add(const kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_insert.IsPrepared()) {
        std::string values;
        for (int i = 1; i <= kFieldCount; ++i)
            values += (i > 1 ? ", ?" : "?") + std::to_string(i);
        std::string sql = "INSERT INTO addresses(" + ColumnList() + ") VALUES (" + values + ")";
        if (!m_db.Prepare(m_insert, sql.c_str()))
            return false;
    }
    if (!Write(m_insert, record, "added"))
        return false;
    ++m_nAdded;
    return true;
}

bool CAddressStore::Update(const kvAddressRecord* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (m_nFoundId == 0) {
        m_monitor.Push("address " + NameOf(record) + " not updated: no entry was found");
        return false;
    }
    if (!m_update.IsPrepared()) {
        std::string sets;
        for (int i = 0; i < kFieldCount; ++i)
            sets += (i > 0 ? ", " : "") + std::string(kAddressFields[i].name) + " = ?" +
                    std::to_string(i + 1);
        std::string sql =
            "UPDATE addresses SET " + sets + " WHERE id = ?" + std::to_string(kFieldCount + 1);
        if (!m_db.Prepare(m_update, sql.c_str()))
            return false;
    }
    m_update.BindInt(kFieldCount + 1, m_nFoundId);
    if (!Write(m_update, record, "updated"))
        return false;
    ++m_nUpdated;
    return true;
}

bool CAddressStore::FindDuplicate(const char* owner, const char* lastName, const char* firstName,
                                  const char* company) {
    m_nFoundId = 0;
    if (!m_bOpen)
        return false;
    // The lookup and the add or update it decides run in one write transaction,
    // so that two importers of one file cannot both miss an entry and both add it.
    if (m_bUpdating && !m_db.BeforeDependentLookup())
        return false;
    if (!m_find.IsPrepared() &&
        !m_db.Prepare(m_find, "SELECT id FROM addresses WHERE owner = ?1 AND last_name = ?2 AND "
                              "first_name = ?3 AND company = ?4 ORDER BY id LIMIT 1"))
        return false;
    // A null owner means the open owner's private entries; "" the public ones.
    m_find.BindText(1, owner != nullptr ? owner : m_strOwner.c_str());
    m_find.BindText(2, lastName);
    m_find.BindText(3, firstName);
    m_find.BindText(4, company);
    int result = m_find.Step();
    if (result == SQLITE_ROW)
        m_nFoundId = m_find.ColumnInt64(0);
    else if (result != SQLITE_DONE)
        m_db.Fail("address book cannot be searched");
    m_find.Reset();
    if (m_nFoundId != 0)
        m_monitor.Push(
            "address found as duplicate: " + std::string(lastName != nullptr ? lastName : "") +
            " " + std::string(firstName != nullptr ? firstName : ""));
    return m_nFoundId != 0;
}

bool CAddressStore::AddCategory(const char* category) {
    if (category == nullptr || *category == '\0')
        return false;
    if (!m_addCategory.IsPrepared() &&
        !m_db.Prepare(m_addCategory, "INSERT OR IGNORE INTO address_categories(name) VALUES (?1)"))
        return false;
    m_addCategory.BindText(1, category);
    if (m_addCategory.Run() != SQLITE_DONE) {
        m_db.Fail("category " + std::string(category) + " cannot be added");
        m_db.AfterFailedWrite();
        return false;
    }
    if (sqlite3_changes(m_db.Handle()) > 0)
        m_monitor.Push("category added: " + std::string(category));
    m_knownCategories.insert(category);
    return true;
}

bool CAddressStore::FindCategory(const char* category) {
    if (category == nullptr || *category == '\0')
        return false;
    // Categories are never removed: one known to exist needs no query per entry.
    if (m_knownCategories.count(category) != 0)
        return true;
    if (!m_findCategory.IsPrepared() &&
        !m_db.Prepare(m_findCategory, "SELECT 1 FROM address_categories WHERE name = ?1"))
        return false;
    m_findCategory.BindText(1, category);
    bool found = m_findCategory.Step() == SQLITE_ROW;
    m_findCategory.Reset();
    if (found)
        m_knownCategories.insert(category);
    return found;
}
