#pragma once

#include <map>
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

// One owner's schedules: the enumeration by start time, duplicate search, and
// batched adds and updates while the schedules are open.
class CScheduleStore {
public:
    // Every column of a schedule row (what an import keeps of a replaced one).
    static const std::string& RowColumns();
    CScheduleStore(CDatabase& db, CMonitorQueue& monitor);
    CScheduleStore(const CScheduleStore&) = delete;
    CScheduleStore& operator=(const CScheduleStore&) = delete;

    bool Open(const char* owner);
    bool Close();
    bool Next(kvScheduleRecord* record);
    bool Add(const kvScheduleRecord* record);
    bool Update(const kvScheduleRecord* record);
    bool FindDuplicate(int year, int month, int day, int hour, int minute, int allDay,
                       const char* title);
    // The original (UTF-8, kelvo.h) and the series (its UID) of the next add
    // or update; false when the original is too long.
    bool SetNextOriginal(const char* original, const char* series);
    // The original of the record Next delivered last (empty: none).
    const std::string& LastOriginal() const { return m_strLastOriginal; }
    // The ID and change count of the record Next delivered last.
    const CEntryStamp& LastEntry() const { return m_lastEntry; }

private:
    // Binds every stored column of record (the owner by number) and queues the write.
    bool Write(CStatement& statement, const kvScheduleRecord* record, long long ownerId,
               const char* what);
    // The first write (or lookup) of a series since the schedules were
    // opened removes owner's entries of that series written before.
    bool ClaimSeries(const std::string& owner);
    // The number of owner; with create, one is given to a new owner. An unknown
    // owner without create leaves id as it was.
    bool OwnerId(const std::string& owner, bool create, long long& id);
    // The record's owner, or the open one when it names none.
    std::string OwnerOf(const kvScheduleRecord* record) const;
    // What the duplicate search compares: start (year value and month 0-11 as
    // stored), all-day flag and title.
    static std::string Key(long long year, long long month, long long day, long long hour,
                           long long minute, long long allDay, const char* title, size_t length);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    std::unique_ptr<CStatement> m_cursor;
    CRecordFiller m_filler;
    std::unique_ptr<CStatement> m_findOwner;
    std::unique_ptr<CStatement> m_addOwner;
    CDuplicateIndex m_index;
    CEntryWriter m_writer;
    std::map<std::string, long long> m_owners;
    bool m_bOpen = false;
    std::string m_strOwner;
    // The key of the entry last found: owner number, start year to second, ID.
    bool m_bFound = false;
    CDuplicateIndex::Values m_foundKey;
    std::string m_strFoundKey;
    // The packed times bound to the statement being run, and the found entry's start.
    std::string m_startKey, m_endKey, m_foundStart;
    // The next write's original and series, those bound to the write being
    // queued, the series claimed since the open, the last delivered original.
    std::string m_strNextOriginal, m_strNextSeries;
    std::string m_strBoundOriginal, m_strBoundSeries;
    std::set<std::string> m_claimedSeries;
    std::unique_ptr<CStatement> m_removeSeries;
    std::string m_strLastOriginal;
    CEntryStamp m_lastEntry;
    bool m_bReadOriginals = false; // whether the open list's rows bring them
    int m_nDelivered = 0;
    int m_nAdded = 0;
    int m_nUpdated = 0;
};
