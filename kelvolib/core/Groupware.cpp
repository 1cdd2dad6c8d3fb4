#include "Groupware.h"

#include <algorithm>
#include <openssl/crypto.h>
#include <thread>

#include "Cp932.h"
#include "Engine.h"
#include "ErrorState.h"
#include "Migrations.h"
#include "MonitorText.h"
#include "PasswordVerifier.h"

CGroupware& CGroupware::Instance() {
    static CGroupware instance;
    return instance;
}

CGroupware::~CGroupware() {
    SignOut();
}

bool CGroupware::ServesPeople(std::string& location) {
    std::string error;
    bool defaultLocation = false;
    return CDatabase::ConfiguredLocation(location, defaultLocation, error) &&
           CEngine::For(location).SignsInPeople(location);
}

void CGroupware::Install(std::unique_ptr<CDatabase> database) {
    m_pDatabase = std::move(database);
    m_pUsers = std::make_unique<CUserStore>(*m_pDatabase, m_monitor);
    m_pSchedules = std::make_unique<CScheduleStore>(*m_pDatabase, m_monitor);
    m_pAddresses = std::make_unique<CAddressStore>(*m_pDatabase, m_monitor);
    m_pBoard = std::make_unique<CBoardStore>(*m_pDatabase, m_monitor);
}

bool CGroupware::EnsureOpen() {
    // A lost server connection is opened again by the next call that starts
    // something; what was open with it is gone.
    // Only between batches is a lost connection looked for: a batch's loss is
    // said by the write that finds it.
    if (m_pDatabase &&
        (m_pDatabase->InBatch() ? m_pDatabase->IsBroken() : m_pDatabase->NoticeBroken())) {
        m_monitor.Push(
            CMonitorText::Say(u8"データベース %1 との接続が切れていたため、接続し直します",
                              {m_pDatabase->Location()}));
        Shutdown();
    }
    if (m_pDatabase)
        return true;
    std::string location;
    const bool people = ServesPeople(location);
    if (people && !m_pSignIn) {
        // Not an error on the monitor: the viewer asks for the user list
        // before anyone could have signed in.
        const std::string reason = "nobody has signed in to " +
                                   CEngine::For(location).Shown(location) +
                                   ": on this server each person opens the groupware by signing in";
        CErrorState::Set(reason);
        return false;
    }
    auto database = std::make_unique<CDatabase>(m_monitor, &CMigrations::Run);
    if (people ? !database->OpenAt(location, false, m_pSignIn.get()) : !database->Open())
        return false;
    Install(std::move(database));
    return true;
}

void CGroupware::Refuse(const std::string& userName, const char* monitorLine) {
    // Longer after each failure in a row: in this process, and in the file of
    // the embedded engine (whichever process tried before).
    int failures = m_throttle.Failed(userName);
    if (m_pUsers)
        failures = std::max(failures, m_pUsers->CountFailure(userName));
    std::this_thread::sleep_for(CSignInThrottle::Wait(failures));
    m_monitor.Push(CMonitorText::Say(monitorLine, {userName}));
}

void CGroupware::Accept(const std::string& userName) {
    m_throttle.Succeeded(userName);
    if (m_pUsers)
        m_pUsers->ClearFailures(userName);
}

bool CGroupware::SignIn(const std::string& userName, const std::string& password) {
    std::string location;
    if (!ServesPeople(location)) {
        // The file (or the administrator's server connection) holds the verifiers.
        bool matches = false;
        if (!EnsureOpen() || !m_pUsers->CheckPassword(userName, password, matches))
            return false;
        if (!matches) {
            Refuse(userName, u8"%1 のサインインを断りました");
            return false;
        }
        Accept(userName);
        m_pSignIn = std::make_unique<CSignIn>(CSignIn{userName, std::string()});
        m_monitor.Push(CMonitorText::Say(u8"%1 がサインインしました", {userName}));
        return true;
    }
    // The server checks the password: the person's own connection replaces
    // the one before only when it is made, and only for a current user (the
    // role of a removed or disabled one signs in to nothing).
    CSignIn signIn{userName, password};
    auto database = std::make_unique<CDatabase>(m_monitor, &CMigrations::Run);
    bool current = false;
    bool checked = database->OpenAt(location, false, &signIn);
    if (checked && !database->Connection().ConfirmSignIn(password, current)) {
        database->Fail("the sign-in of " + userName + " cannot be checked");
        checked = false;
    }
    if (!checked || !current) {
        if (database->LoginRefused() || (checked && !current)) {
            CErrorState::Clear();
            Refuse(userName, u8"%1 のサインインを断りました");
        }
        OPENSSL_cleanse(signIn.password.data(), signIn.password.size());
        return false;
    }
    SignOut();
    Install(std::move(database));
    Accept(userName);
    m_pSignIn = std::make_unique<CSignIn>(std::move(signIn));
    m_monitor.Push(CMonitorText::Say(u8"%1 がサインインしました", {userName}));
    return true;
}

bool CGroupware::ChangePassword(const std::string& userName, const std::string& oldPassword,
                                const std::string& newPassword) {
    std::string reason, location;
    if (CCp932::CharacterCount(newPassword) < CUserStore::kMinimumCharacters)
        reason = "a new password has at least " + std::to_string(CUserStore::kMinimumCharacters) +
                 " characters";
    if (!reason.empty() || !CUserStore::Acceptable(newPassword, reason)) {
        CErrorState::Set("the password of " + userName + " cannot be changed: " + reason);
        return false;
    }
    ServesPeople(location);
    const CEngine& engine = CEngine::For(location);
    if (!engine.ChecksPasswords()) {
        bool matches = false;
        if (!EnsureOpen() || !m_pUsers->CheckPassword(userName, oldPassword, matches))
            return false;
        if (!matches) {
            Refuse(userName, u8"%1 のパスワード変更を断りました");
            return false;
        }
        Accept(userName);
        return m_pUsers->SetPassword(userName, newPassword);
    }
    // On a server the old password is proved by signing in as the user, on a
    // connection of its own; the person signed in here stays signed in.
    CSignIn proof{userName, oldPassword};
    CEngine::COpened opened = engine.Open(location, false, &proof);
    OPENSSL_cleanse(proof.password.data(), proof.password.size());
    if (!opened.connection) {
        if (opened.loginRefused) {
            Refuse(userName, u8"%1 のパスワード変更を断りました");
            return false;
        }
        CErrorState::Set("the password of " + userName + " cannot be changed: " + opened.error);
        m_monitor.Push(CMonitorText::Say(u8"エラー: %1", {CErrorState::Get()}));
        return false;
    }
    std::string verifier;
    if (!CUserStore::NewVerifier(newPassword, "the password of " + userName + " cannot be changed",
                                 verifier))
        return false;
    if (!opened.connection->SetOwnPassword(verifier)) {
        CErrorState::Set("the password of " + userName +
                         " cannot be changed: " + opened.connection->ErrorMessage());
        m_monitor.Push(CMonitorText::Say(u8"エラー: %1", {CErrorState::Get()}));
        return false;
    }
    opened.connection.reset();
    if (m_pSignIn && m_pSignIn->userName == userName && !m_pSignIn->password.empty())
        m_pSignIn->password = newPassword;
    m_monitor.Push(CMonitorText::Say(u8"%1 のパスワードを変更しました", {userName}));
    return true;
}

bool CGroupware::PruneLogins(int& dropped) {
    dropped = 0;
    std::string location, error;
    bool defaultLocation = false;
    if (!CDatabase::ConfiguredLocation(location, defaultLocation, error)) {
        CErrorState::Set(error);
        return false;
    }
    const CEngine& engine = CEngine::For(location);
    CEngine::COpened opened = engine.Open(location, defaultLocation, nullptr);
    if (!opened.connection) {
        CErrorState::Set("database " + engine.Shown(location) +
                         " cannot be opened: " + opened.error);
        return false;
    }
    std::vector<std::string> former;
    if (!opened.connection->FormerLogins(former)) {
        CErrorState::Set("the sign-ins cannot be read: " + opened.connection->ErrorMessage());
        return false;
    }
    for (const std::string& role : former) {
        if (!opened.connection->DropFormerLogin(role)) {
            CErrorState::Set("the sign-in " + role +
                             " cannot be removed: " + opened.connection->ErrorMessage());
            return false;
        }
        ++dropped;
    }
    m_monitor.Push(CMonitorText::Say(u8"使われていないサインイン %1 件を削除しました",
                                     {std::to_string(dropped)}));
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

void CGroupware::SignOut() {
    Shutdown();
    if (m_pSignIn)
        OPENSSL_cleanse(m_pSignIn->password.data(), m_pSignIn->password.size());
    m_pSignIn.reset();
}
