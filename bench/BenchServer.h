#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

// A throwaway PostgreSQL server for one benchmark run (scripts/pg-server.sh),
// reached over TCP and TLS on the loopback as an office desktop reaches its
// server, stopped when the run ends however it ends.
class CBenchServer {
public:
    CBenchServer() {
        // Its folder apart from the run's: the server's user enters it.
        char pattern[] = "/tmp/kelvo-bench-pg.XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            throw std::runtime_error("cannot create the server's folder");
        m_strFolder = pattern;
        FILE* started = popen(Script("start").c_str(), "r");
        char line[1024] = {};
        if (started == nullptr || std::fgets(line, sizeof(line), started) == nullptr ||
            pclose(started) != 0)
            throw std::runtime_error("the PostgreSQL server cannot be started");
        m_strUri = line;
        while (!m_strUri.empty() && (m_strUri.back() == '\n' || m_strUri.back() == '\r'))
            m_strUri.pop_back();
    }
    ~CBenchServer() { std::system((Script("stop") + " >/dev/null").c_str()); }
    CBenchServer(const CBenchServer&) = delete;
    CBenchServer& operator=(const CBenchServer&) = delete;

    // A server started, or null (with the reason on standard error).
    static std::unique_ptr<CBenchServer> Start() {
        try {
            return std::make_unique<CBenchServer>();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return nullptr;
        }
    }

    // The administrator's URI: TCP on the loopback, TLS, a password.
    const std::string& Uri() const { return m_strUri; }

    // The URI a person's desktop names: the administrator's without its role.
    static std::string PeopleOf(const std::string& uri) {
        std::string people = uri;
        size_t start = people.find("://") + 3, at = people.find('@');
        if (at != std::string::npos && at > start)
            people.erase(start, at + 1 - start);
        return people;
    }

private:
    std::string Script(const char* command) const {
        return "'" KELVO_SOURCE_DIR "/scripts/pg-server.sh' " + std::string(command) + " '" +
               m_strFolder + "'";
    }

    std::string m_strFolder;
    std::string m_strUri;
};
