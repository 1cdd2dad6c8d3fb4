#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Statement.h"
#include "kelvo.h"

class CDatabase;
class CMonitorQueue;

// The users: one enumeration without a handle, lookup by name, and updates.
// Passwords are kept as verifiers only (PasswordVerifier.h) and never leave
// the library: records are delivered with the password field zeroed.
class CUserStore {
public:
    // The fewest characters a password a person chooses may have (the
    // administrator may set a shorter one).
    static constexpr size_t kMinimumCharacters = 8;

    CUserStore(CDatabase& db, CMonitorQueue& monitor) : m_db(db), m_monitor(monitor) {}

    bool Open(const char* filter, const char* userName);
    bool Close();
    bool Next(kvUserRecord* record);
    bool Rewind();
    bool Get(const char* userName, kvUserRecord* record);
    // Stores reading and groups; the password stays as it is.
    bool Update(const char* userName, const kvUserRecord* record);
    // Creates the user of record; its password field holds the password,
    // which is stored as a verifier.
    bool Add(const kvUserRecord* record);
    bool Exists(const char* userName);

    // Whether password is userName's (matches false for an unknown name, after
    // as much work as a wrong password costs); false when it cannot be read.
    bool CheckPassword(const std::string& userName, const std::string& password, bool& matches);
    // Sets userName's password (code page 932), as its verifier here and as
    // its login on a server, in one transaction.
    bool SetPassword(const std::string& userName, const std::string& password);
    // Writes verifiers for passwords kept as text by an older schema, and
    // makes every user's login (inside the upgrade's transaction).
    bool ConvertPasswords();
    // Removes userName (with its login on a server), with purge also its
    // private entries; the entries it had, kept or removed. With purge a name
    // whose user is gone already has its kept entries removed.
    bool Remove(const std::string& userName, bool purge, long long& schedules,
                long long& addresses);
    // Lets userName sign in again, or no longer.
    bool Enable(const std::string& userName, bool enabled);
    // Whether userName was removed with its entries kept.
    bool WasRemoved(const std::string& userName, bool& removed);
    // The private entries owned by the name userName (a user's, or a removed one's).
    bool KeptEntries(const std::string& userName, long long& schedules, long long& addresses);
    // On the embedded engine: counts a failed sign-in of userName in the file
    // and gives the failures in a row (0 where the database counts none);
    // forgets them after a success.
    int CountFailure(const std::string& userName);
    void ClearFailures(const std::string& userName);
    // Whether password may become a password: fits the record's field and
    // holds no control character; the reason when not.
    static bool Acceptable(const std::string& password, std::string& reason);
    // The verifier of a new password, when it is acceptable; else false with
    // "what: reason" as the last error.
    static bool NewVerifier(const std::string& password, const std::string& what,
                            std::string& verifier);

private:
    static void Fill(const CStatement& row, kvUserRecord* record);
    void BindProfile(CStatement& statement, const kvUserRecord* record);
    // Sets one column of userName's row to what bind gives ?1, then runs
    // alsoOnServer in the same transaction; "no user NAME" when there is none.
    bool UpdateUser(const std::string& what, const std::string& userName, const char* column,
                    const std::function<void(CStatement&)>& bind,
                    const std::function<bool()>& alsoOnServer);

    CDatabase& m_db;
    CMonitorQueue& m_monitor;
    std::unique_ptr<CStatement> m_cursor;
    bool m_bOpen = false;
    int m_nDelivered = 0;
};
