#include "Groupware.h"

CGroupware& CGroupware::Instance() {
    static CGroupware instance;
    return instance;
}

CGroupware::~CGroupware() {
    Shutdown();
}

bool CGroupware::EnsureOpen() {
    // A lost server connection is opened again by the next call that starts
    // something; what was open with it is gone.
    if (m_pDatabase && m_pDatabase->IsBroken()) {
        m_monitor.Push("database " + m_pDatabase->Location() + ": connection lost, reconnecting");
        Shutdown();
    }
    if (m_pDatabase)
        return true;
    auto database = std::make_unique<CDatabase>(m_monitor);
    if (!database->Open())
        return false;
    m_pDatabase = std::move(database);
    m_pUsers = std::make_unique<CUserStore>(*m_pDatabase, m_monitor);
    m_pSchedules = std::make_unique<CScheduleStore>(*m_pDatabase, m_monitor);
    m_pAddresses = std::make_unique<CAddressStore>(*m_pDatabase, m_monitor);
    m_pBoard = std::make_unique<CBoardStore>(*m_pDatabase, m_monitor);
    return true;
}

long long CGroupware::RoundTrips() const {
    return m_nRoundTripsBefore + (m_pDatabase ? m_pDatabase->RoundTrips() : 0);
}

long long CGroupware::CommittedWrites() const {
    return m_nCommittedBefore + (m_pDatabase ? m_pDatabase->CommittedWrites() : 0);
}

void CGroupware::Shutdown() {
    if (!m_pDatabase)
        return;
    m_pSchedules->Close();
    m_pAddresses->Close();
    if (!m_pDatabase->IsBroken())
        m_pDatabase->CommitBatch();
    m_nCommittedBefore += m_pDatabase->CommittedWrites();
    m_nRoundTripsBefore += m_pDatabase->RoundTrips();
    m_pUsers.reset();
    m_pSchedules.reset();
    m_pAddresses.reset();
    m_pBoard.reset();
    m_pDatabase.reset();
}
