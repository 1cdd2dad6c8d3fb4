#pragma once

#include <set>
#include <string>

#include "kelvo.h"

#include "RecordFiller.h"
#include "Statement.h"

class CDatabase;
class CMonitorQueue;

// The address book of one owner (with the public entries), its categories,
// duplicate search and the update phase in which entries are written.
class CAddressStore {
public:
    CAddressStore(CDatabase& db, CMonitorQueue& monitor) : m_db(db), m_monitor(monitor) {}

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

private:
    bool Write(CStatement& statement, const kvAddressRecord* record, const char* what);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    CStatement m_cursor;
    CRecordFiller m_filler;
    CStatement m_insert;
    CStatement m_update;
    CStatement m_find;
    CStatement m_findCategory;
    CStatement m_addCategory;
    std::set<std::string> m_knownCategories;
    bool m_bOpen = false;
    bool m_bUpdating = false;
    std::string m_strOwner;
    long long m_nFoundId = 0;
    int m_nDelivered = 0;
    int m_nAdded = 0;
    int m_nUpdated = 0;
};
