#pragma once

#include <cstdint>
#include <memory>

#include "Statement.h"
#include "kelvo.h"

class CDatabase;
class CMonitorQueue;

// The bulletin board, read by posting time with a read position that read
// leaves in place and next moves on.
class CBoardStore {
public:
    CBoardStore(CDatabase& db, CMonitorQueue& monitor) : m_db(db), m_monitor(monitor) {}

    bool Open(const char* userName);
    bool Close();
    bool Read(kvBoardMessage* record);
    bool Rewind();
    bool Next();
    bool Post(const kvBoardMessage* message, uint32_t* newId);

private:
    // Steps the cursor once; false at the end or on an error.
    bool Advance();

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    std::unique_ptr<CStatement> m_cursor;
    bool m_bOpen = false;
    bool m_bStarted = false;
    bool m_bHasRow = false;
    int m_nDelivered = 0;
};
