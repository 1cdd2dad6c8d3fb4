#pragma once

#include <memory>
#include <mutex>

#include "AddressStore.h"
#include "BoardStore.h"
#include "Database.h"
#include "MonitorQueue.h"
#include "ScheduleStore.h"
#include "SignInThrottle.h"
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
    // On a server whose URI names no role, people sign in as themselves: the
    // database is opened by SignIn and, until then, by nothing.
    bool EnsureOpen();
    bool IsOpen() const { return m_pDatabase != nullptr; }
    // Closes the database; the sign-in stays for reopening it.
    void Shutdown();
    // Shutdown, and the sign-in is forgotten.
    void SignOut();

    // Checks userName's password and signs the person in: on a server, the
    // database is opened again as the person. False with no reason for a
    // wrong name or password, with one when the check could not be made.
    bool SignIn(const std::string& userName, const std::string& password);
    // Changes userName's password to newPassword when oldPassword is its
    // password (proved on a server by signing in as the user for the change).
    bool ChangePassword(const std::string& userName, const std::string& oldPassword,
                        const std::string& newPassword);
    // Drops the server's logins of the configured groupware's office that
    // belong to no current user, on a connection of its own (the groupware
    // need not exist); how many were dropped.
    bool PruneLogins(int& dropped);
    // The name of the person signed in, or null when nobody has.
    const std::string* SignedIn() const { return m_pSignIn ? &m_pSignIn->userName : nullptr; }
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
    // Whether the configured database is a server that people sign in to.
    bool ServesPeople(std::string& location);
    // A sign-in or password change of userName refused: waits as the
    // throttle says, then says so (monitorLine, %1 the name) on the monitor.
    void Refuse(const std::string& userName, const char* monitorLine);
    void Accept(const std::string& userName);
    void Install(std::unique_ptr<CDatabase> database);

    std::mutex m_mutex;
    CMonitorQueue m_monitor;
    CSignInThrottle m_throttle;
    long long m_nCommittedBefore = 0; // by databases opened and shut down before
    long long m_nRoundTripsBefore = 0;
    // Who signed in: on a server that people sign in to, the database is
    // reopened (after a lost connection) with these.
    std::unique_ptr<CSignIn> m_pSignIn;
    // The stores hold statements of the database, so they go before it.
    std::unique_ptr<CDatabase> m_pDatabase;
    std::unique_ptr<CUserStore> m_pUsers;
    std::unique_ptr<CScheduleStore> m_pSchedules;
    std::unique_ptr<CAddressStore> m_pAddresses;
    std::unique_ptr<CBoardStore> m_pBoard;
};
