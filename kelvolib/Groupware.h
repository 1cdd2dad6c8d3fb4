#pragma once

#include <memory>
#include <mutex>

#include "AddressStore.h"
#include "BoardStore.h"
#include "Database.h"
#include "MonitorQueue.h"
#include "ScheduleStore.h"
#include "UserStore.h"

// The library's one instance: the monitor queue, and the database with its
// stores, opened on first use and released by kvShutdown.
class CGroupware {
public:
    static CGroupware& Instance();
    ~CGroupware();

    std::mutex& Mutex() { return m_mutex; }
    CMonitorQueue& Monitor() { return m_monitor; }

    // Opens the database unless it is open; false when it cannot be opened.
    bool EnsureOpen();
    bool IsOpen() const { return m_pDatabase != nullptr; }
    void Shutdown();
    // Batched writes committed since the library was loaded.
    long long CommittedWrites() const;
    // Waits for a database server since the library was loaded.
    long long RoundTrips() const;

    CDatabase& Database() { return *m_pDatabase; }
    CUserStore& Users() { return *m_pUsers; }
    CScheduleStore& Schedules() { return *m_pSchedules; }
    CAddressStore& Addresses() { return *m_pAddresses; }
    CBoardStore& Board() { return *m_pBoard; }

private:
    CGroupware() = default;

    std::mutex m_mutex;
    CMonitorQueue m_monitor;
    long long m_nCommittedBefore = 0; // by databases opened and shut down before
    long long m_nRoundTripsBefore = 0;
    // The stores hold statements of the database, so they go before it.
    std::unique_ptr<CDatabase> m_pDatabase;
    std::unique_ptr<CUserStore> m_pUsers;
    std::unique_ptr<CScheduleStore> m_pSchedules;
    std::unique_ptr<CAddressStore> m_pAddresses;
    std::unique_ptr<CBoardStore> m_pBoard;
};
