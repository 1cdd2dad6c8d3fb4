#pragma once

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
    CScheduleStore(CDatabase& db, CMonitorQueue& monitor) : m_db(db), m_monitor(monitor) {}

    bool Open(const char* owner);
    bool Close();
    bool Next(kvScheduleRecord* record);
    bool Add(const kvScheduleRecord* record);
    bool Update(const kvScheduleRecord* record);
    bool FindDuplicate(int year, int month, int day, int hour, int minute, int allDay,
                       const char* title);

private:
    // Binds every stored column of record from ?1; the owner is the record's, or the open one.
    void BindRecord(CStatement& statement, const kvScheduleRecord* record);
    bool Write(CStatement& statement, const kvScheduleRecord* record, const char* what);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    CStatement m_cursor;
    CRecordFiller m_filler;
    CStatement m_insert;
    CStatement m_maxId;
    long long m_nNextId = 0;
    unsigned m_nIdTransaction = 0;
    CStatement m_update;
    CStatement m_find;
    bool m_bOpen = false;
    std::string m_strOwner;
    long long m_nFoundId = 0;
    int m_nDelivered = 0;
    int m_nAdded = 0;
    int m_nUpdated = 0;
};
