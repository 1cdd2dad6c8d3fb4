#pragma once

#include <map>
#include <string>

#include "kelvo.h"

#include "RecordFiller.h"
#include "Statement.h"

class CDatabase;
class CMonitorQueue;

// One owner's schedules: the enumeration by start time, duplicate search, and
// batched adds and updates while the schedules are open.
class CScheduleStore {
public:
    CScheduleStore(CDatabase& db, CMonitorQueue& monitor);
    ~CScheduleStore();
    CScheduleStore(const CScheduleStore&) = delete;
    CScheduleStore& operator=(const CScheduleStore&) = delete;

    bool Open(const char* owner);
    bool Close();
    bool Next(kvScheduleRecord* record);
    bool Add(const kvScheduleRecord* record);
    bool Update(const kvScheduleRecord* record);
    bool FindDuplicate(int year, int month, int day, int hour, int minute, int allDay,
                       const char* title);

private:
    // Binds every stored column of record from ?1; the owner is the record's, or the open one.
    bool BindRecord(CStatement& statement, const kvScheduleRecord* record);
    // The number of owner; with create, one is given to a new owner. An unknown
    // owner without create leaves id as it was.
    bool OwnerId(const std::string& owner, bool create, long long& id);
    // The next ID for this transaction: read from the sequence when one begins.
    bool NextId(long long& id);
    void SaveSequence();
    bool Write(CStatement& statement, const kvScheduleRecord* record, const char* what);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    CStatement m_cursor;
    CRecordFiller m_filler;
    CStatement m_insert;
    CStatement m_readSequence;
    CStatement m_saveSequence;
    long long m_nNextId = 0;
    unsigned m_nIdTransaction = 0;
    bool m_bSequenceDirty = false;
    CStatement m_update;
    CStatement m_find;
    bool m_bOpen = false;
    std::string m_strOwner;
    // The key of the entry last found: owner, start (year to second) and ID.
    bool m_bFound = false;
    long long m_foundKey[8] = {}; // owner number, start year to second, ID
    CStatement m_findOwner;
    CStatement m_addOwner;
    std::map<std::string, long long> m_owners;
    int m_nDelivered = 0;
    int m_nAdded = 0;
    int m_nUpdated = 0;
};
