#pragma once

#include <memory>

#include "kelvo.h"

#include "Statement.h"

class CDatabase;
class CMonitorQueue;

// The users: one enumeration without a handle, lookup by name, and updates.
class CUserStore {
public:
    CUserStore(CDatabase& db, CMonitorQueue& monitor) : m_db(db), m_monitor(monitor) {}

    bool Open(const char* filter, const char* userName);
    bool Close();
    bool Next(kvUserRecord* record);
    bool Rewind();
    bool Get(const char* userName, kvUserRecord* record);
    bool Update(const char* userName, const kvUserRecord* record);
    bool Add(const kvUserRecord* record);
    bool Exists(const char* userName);

private:
    static void Fill(const CStatement& row, kvUserRecord* record);
    void BindProfile(CStatement& statement, const kvUserRecord* record);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    std::unique_ptr<CStatement> m_cursor;
    bool m_bOpen = false;
    int m_nDelivered = 0;
};
