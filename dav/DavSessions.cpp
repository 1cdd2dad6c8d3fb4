#include "DavSessions.h"

#include <algorithm>
#include <cstdlib>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "DavChannel.h"
#include "DavHandler.h"
#include "DavWorker.h"
#include "FileHash.h"

extern char** environ;

CDavSessions::CSession::~CSession() {
    // The worker ends when its socket closes.
    if (fd >= 0)
        close(fd);
}

CDavSessions::CDavSessions(std::string program) : m_strProgram(std::move(program)) {
    unsigned char salt[32];
    if (RAND_bytes(salt, sizeof salt) == 1)
        m_strSalt.assign(reinterpret_cast<const char*>(salt), sizeof salt);
    if (const char* seconds = std::getenv("KELVO_DAV_CHECK_SECONDS"))
        m_nCheckSeconds = std::min<std::time_t>(std::atoll(seconds), kCheckSeconds);
    // Ended workers are no one's to wait for.
    signal(SIGCHLD, SIG_IGN);
}

CDavSessions::~CDavSessions() = default;

bool CDavSessions::Start(CSession& session) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The worker's end becomes its descriptor 3 (dup2 clears close-on-exec).
    posix_spawn_file_actions_adddup2(&actions, pair[1], CDavWorker::kDescriptor);
    std::vector<char*> arguments = {const_cast<char*>(m_strProgram.c_str()),
                                    const_cast<char*>("--worker"), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, m_strProgram.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (spawned != 0) {
        close(pair[0]);
        return false;
    }
    session.fd = pair[0];
    session.pid = pid;
    return true;
}

bool CDavSessions::SignIn(CSession& session, const CDavRequest& request, CDavResponse& refusal) {
    const CDavChannel channel(session.fd);
    std::vector<std::string> verdict;
    std::vector<std::string> message = {"sign-in", request.user, request.password};
    const bool talked = channel.Send(message) && channel.Receive(verdict) && !verdict.empty();
    OPENSSL_cleanse(message[2].data(), message[2].size());
    if (talked && verdict[0] == "yes") {
        session.signedIn = true;
        session.checked = std::time(nullptr);
        return true;
    }
    session.gone = true;
    refusal = talked && verdict[0] == "error" && verdict.size() == 2
                  ? CDavResponse::Status(503, "the sign-in could not be checked: " + verdict[1])
              : talked ? CDavHandler::Denied()
                       : CDavResponse::Status(503, "the sign-in could not be checked");
    return false;
}

void CDavSessions::Prune(std::time_t now) {
    for (auto at = m_sessions.begin(); at != m_sessions.end();) {
        CSession& session = *at->second;
        std::unique_lock<std::mutex> idle(session.talking, std::try_to_lock);
        if (idle && (session.gone || now - session.used > kIdleSeconds)) {
            idle.unlock();
            at = m_sessions.erase(at);
        } else {
            ++at;
        }
    }
    while (m_sessions.size() >= kMostSessions) {
        auto oldest = m_sessions.end();
        for (auto at = m_sessions.begin(); at != m_sessions.end(); ++at)
            if (oldest == m_sessions.end() || at->second->used < oldest->second->used)
                oldest = at;
        m_sessions.erase(oldest); // its talk, if any, holds its own reference
    }
}

CDavResponse CDavSessions::Answer(const CDavRequest& request) {
    std::string material = m_strSalt + request.user + '\0' + request.password;
    const std::string key = CFileHash::Sha256Text(material);
    OPENSSL_cleanse(material.data(), material.size());
    if (m_strSalt.empty() || key.empty())
        return CDavResponse::Status(503, "no session can be made");
    const std::time_t now = std::time(nullptr);
    std::shared_ptr<CSession> session;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Prune(now);
        std::shared_ptr<CSession>& found = m_sessions[key];
        if (!found || found->gone)
            found = std::make_shared<CSession>();
        session = found;
        session->used = now;
    }
    std::lock_guard<std::mutex> talking(session->talking);
    CDavResponse response;
    const bool ready = !session->gone && (session->fd >= 0 || Start(*session)) &&
                       (session->signedIn && now - session->checked < m_nCheckSeconds
                            ? true
                            : SignIn(*session, request, response));
    if (!ready) {
        session->gone = true;
        return response.status == 200 ? CDavResponse::Status(503, "no worker can be started")
                                      : response;
    }
    const CDavChannel channel(session->fd);
    std::vector<std::string> fields = CDavChannel::Fields(request);
    fields.insert(fields.begin(), "request");
    std::vector<std::string> answer;
    if (!channel.Send(fields) || !channel.Receive(answer) || !CDavChannel::Take(answer, response)) {
        session->gone = true;
        return CDavResponse::Status(500, "the person's worker ended; ask again");
    }
    return response;
}
