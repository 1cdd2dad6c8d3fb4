#pragma once

#include <memory>
#include <string>

// A PostgreSQL server of its own for one test or benchmark run
// (scripts/pg-server.sh): a new cluster in a temporary folder, on a free
// port, reached over TCP and TLS on the loopback as an office desktop reaches
// its server. Stopped and removed when the object goes, however the run ends.
class CThrowawayServer {
public:
    // Throws std::runtime_error (with the script's reason) when it cannot start.
    CThrowawayServer();
    ~CThrowawayServer();
    CThrowawayServer(const CThrowawayServer&) = delete;
    CThrowawayServer& operator=(const CThrowawayServer&) = delete;

    // A server started, or null with the reason on standard error.
    static std::unique_ptr<CThrowawayServer> Start();

    // The administrator's URI: TCP on the loopback, TLS, a password.
    const std::string& Uri() const { return m_strUri; }
    // Stops the server at once, as a crash would, keeping its data; starts
    // it again on the same port. True when the script says it did.
    bool Pause();
    bool Resume();

    // The server's own administrator (a superuser), for what only the
    // server's administrator does: on the same server and database.
    std::string SuperuserUri() const;
    // What the server wrote to its log so far.
    std::string Log() const;

    // The URI a person's desktop names: the administrator's without its role.
    static std::string PeopleOf(const std::string& uri);

private:
    bool Script(const char* command, std::string* out = nullptr, std::string* err = nullptr);

    std::string m_strFolder;
    std::string m_strUri;
};
