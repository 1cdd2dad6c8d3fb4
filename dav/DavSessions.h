#pragma once

#include <atomic>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>

#include "DavRequest.h"
#include "DavResponse.h"

// The people signed in to kelvo-dav, each served by a worker process of
// their own (CDavWorker), so that each has their own sign-in to the
// groupware and people are answered side by side. A session is found by a
// salted hash of the name and password a request carries: the server keeps
// no password. A session's password is checked again by its worker a
// minute after the last check (a changed password or a removed user ends
// it), and a session unused for fifteen minutes ends (with it the sync
// tokens it gave: a client then syncs whole, by ETags).
class CDavSessions {
public:
    // How long a session goes before its password is checked again
    // ($KELVO_DAV_CHECK_SECONDS may make it shorter, for tests).
    static constexpr std::time_t kCheckSeconds = 60;
    static constexpr std::time_t kIdleSeconds = 900;
    static constexpr size_t kMostSessions = 64;

    // program: the path of kelvo-dav itself, which the workers run.
    explicit CDavSessions(std::string program);
    ~CDavSessions();
    CDavSessions(const CDavSessions&) = delete;
    CDavSessions& operator=(const CDavSessions&) = delete;

    // Answers a request that carries credentials: 401 for a wrong name or
    // password, 503 when the sign-in could not be checked.
    CDavResponse Answer(const CDavRequest& request);

private:
    struct CSession {
        std::mutex talking; // one request of a person at a time
        int fd = -1;
        pid_t pid = -1;
        bool signedIn = false;
        std::atomic<bool> gone{false}; // the worker ended, or refused the password
        std::time_t checked = 0;
        std::time_t used = 0;
        ~CSession();
    };

    // Starts a worker; false when it cannot be started.
    bool Start(CSession& session);
    // Has the worker check the password: "" when it is the person's, else
    // the refusal to answer with.
    bool SignIn(CSession& session, const CDavRequest& request, CDavResponse& refusal);
    // Ends sessions unused for long, and the least used of too many.
    void Prune(std::time_t now);

    std::string m_strProgram;
    std::time_t m_nCheckSeconds = kCheckSeconds;
    std::string m_strSalt;
    std::mutex m_mutex; // guards the map, not the sessions' talks
    std::map<std::string, std::shared_ptr<CSession>> m_sessions;
};
