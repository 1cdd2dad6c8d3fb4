#pragma once

#include <memory>
#include <set>
#include <string>

#include "DuplicateIndex.h"
#include "EntryStamp.h"
#include "EntryWriter.h"
#include "RecordFiller.h"
#include "Statement.h"
#include "kelvo.h"

class CDatabase;
class CMonitorQueue;

// The address book of one owner (with the public entries), its categories,
// duplicate search and the update phase in which entries are written.
class CAddressStore {
public:
    CAddressStore(CDatabase& db, CMonitorQueue& monitor);

    bool Open(const char* owner);
    bool Close();
    bool Next(kvAddressRecord* record);
    bool BeginUpdate(const char* owner);
    bool EndUpdate();
    bool Add(const kvAddressRecord* record);
    bool Update(const kvAddressRecord* record);
    bool FindDuplicate(const char* owner, const char* lastName, const char* firstName,
                       const char* company);
    bool AddCategory(const char* category);
    bool FindCategory(const char* category);
    // The original (UTF-8, kelvo.h) the next add or update writes; false when
    // it is too long.
    bool SetNextOriginal(const char* original);
    // The original of the record Next delivered last (empty: none).
    const std::string& LastOriginal() const { return m_strLastOriginal; }
    // The ID and change count of the record Next delivered last.
    const CEntryStamp& LastEntry() const { return m_lastEntry; }
    // Every column of an address row (what an import keeps of a replaced one).
    static const std::string& RowColumns();

private:
    // Writes are made only inside the update phase.
    bool Refuse(const kvAddressRecord* record, const char* what);
    // Binds every field of record from ?1 and queues the write.
    bool Write(CStatement& statement, const kvAddressRecord* record, const char* what);
    static std::string Key(const char* lastName, size_t lastLength, const char* firstName,
                           size_t firstLength, const char* company, size_t companyLength);
    static std::string KeyOf(const kvAddressRecord* record);
    static std::string OwnerOf(const kvAddressRecord* record);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    std::unique_ptr<CStatement> m_cursor;
    CRecordFiller m_filler;
    std::unique_ptr<CStatement> m_find;
    std::unique_ptr<CStatement> m_findCategory;
    std::unique_ptr<CStatement> m_addCategory;
    CDuplicateIndex m_index;
    CEntryWriter m_writer;
    std::set<std::string> m_knownCategories;
    bool m_bOpen = false;
    bool m_bUpdating = false;
    std::string m_strOwner;
    long long m_nFoundId = 0;
    std::string m_strFoundOwner;
    std::string m_strFoundKey;
    std::string m_strNextOriginal;
    std::string m_strBoundOriginal; // bound to the write being queued
    std::string m_strLastOriginal;
    CEntryStamp m_lastEntry;
    bool m_bReadOriginals = false; // whether the open list's rows bring them
    int m_nDelivered = 0;
    int m_nAdded = 0;
    int m_nUpdated = 0;
};
