#include "ThrowawayServer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "ProcessRunner.h"

CThrowawayServer::CThrowawayServer() {
    // A folder of its own: the server's user enters it.
    char pattern[] = "/tmp/kelvo-throwaway-pg.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        throw std::runtime_error("cannot create the server's folder");
    m_strFolder = pattern;
    std::string out, err;
    if (!Script("start", &out, &err)) {
        std::error_code ignored;
        std::filesystem::remove_all(m_strFolder, ignored);
        throw std::runtime_error("the PostgreSQL server cannot be started: " + err);
    }
    m_strUri = out.substr(0, out.find_first_of("\r\n"));
}

CThrowawayServer::~CThrowawayServer() {
    // The script stops whatever runs there and removes the folder.
    Script("stop");
}

std::unique_ptr<CThrowawayServer> CThrowawayServer::Start() {
    try {
        return std::make_unique<CThrowawayServer>();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return nullptr;
    }
}

bool CThrowawayServer::Pause() {
    return Script("pause");
}

bool CThrowawayServer::Resume() {
    return Script("resume");
}

std::string CThrowawayServer::PeopleOf(const std::string& uri) {
    std::string people = uri;
    size_t start = people.find("://") + 3, at = people.find('@');
    if (at != std::string::npos && at > start)
        people.erase(start, at + 1 - start);
    return people;
}

bool CThrowawayServer::Script(const char* command, std::string* out, std::string* err) {
    CProcessRunner::CResult result = CProcessRunner::Run(
        "/bin/bash", {KELVO_SOURCE_DIR "/scripts/pg-server.sh", command, m_strFolder});
    if (out != nullptr)
        *out = result.out;
    if (err != nullptr)
        *err = result.err;
    return result.status == 0;
}
