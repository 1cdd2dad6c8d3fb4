#include "Groupware.h"

CGroupware& CGroupware::Instance() {
    static CGroupware instance;
    return instance;
}

CGroupware::~CGroupware() {
    Shutdown();
}

bool CGroupware::EnsureOpen() {
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

long long CGroupware::CommittedWrites() const {
    return m_nCommittedBefore + (m_pDatabase ? m_pDatabase->CommittedWrites() : 0);
}

void CGroupware::Shutdown() {
    if (!m_pDatabase)
        return;
    m_pSchedules->Close();
    m_pAddresses->Close();
    m_pDatabase->CommitBatch();
    m_nCommittedBefore += m_pDatabase->CommittedWrites();
    m_pUsers.reset();
    m_pSchedules.reset();
    m_pAddresses.reset();
    m_pBoard.reset();
    m_pDatabase.reset();
}
