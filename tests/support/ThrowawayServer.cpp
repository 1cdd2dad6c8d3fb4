#include "ThrowawayServer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

std::string CThrowawayServer::SuperuserUri() const {
    std::string password = FileText(m_strFolder + "/superuser.pw");
    password.erase(password.find_last_not_of("\r\n") + 1);
    std::string uri = PeopleOf(m_strUri);
    return uri.insert(uri.find("://") + 3, "postgres:" + password + "@");
}

std::string CThrowawayServer::Log() const {
    return FileText(m_strFolder + "/server.log");
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
