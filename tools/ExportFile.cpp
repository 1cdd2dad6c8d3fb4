#include "ExportFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AdminError.h"

namespace {

constexpr const char* kMarker = ".kelvo-export-";

// The signals a terminal or a session's end sends: the temporary file goes
// with the process. Set up while an export file is open, one at a time.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
char s_temporary[PATH_MAX];
volatile sig_atomic_t s_bArmed = 0;
struct sigaction s_previous[sizeof(kSignals) / sizeof(kSignals[0])];

extern "C" void RemoveAndRaise(int signal) {
    if (s_bArmed)
        unlink(s_temporary);
    // Then ended as the signal ends a process: the shell sees why.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void Arm(const std::string& temporary) {
    if (temporary.size() >= sizeof(s_temporary))
        return; // mkstemp took it, but it is longer than any path the system opens
    std::memcpy(s_temporary, temporary.c_str(), temporary.size() + 1);
    s_bArmed = 1;
    struct sigaction action {};
    action.sa_handler = RemoveAndRaise;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i) {
        sigaction(kSignals[i], nullptr, &s_previous[i]);
        // A signal the caller ignores (nohup) stays ignored.
        if (s_previous[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
}

void Disarm() {
    if (!s_bArmed)
        return;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        sigaction(kSignals[i], &s_previous[i], nullptr);
    s_bArmed = 0;
}

// The folder of path and its last name ("." for a bare name).
void Split(const std::string& path, std::string& folder, std::string& name) {
    size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<std::string> CExportFile::RemoveLeftovers(const std::string& path) {
    std::vector<std::string> removed;
    std::string folder, name;
    Split(path, folder, name);
    const std::string prefix = name + kMarker;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return removed;
    while (const dirent* entry = readdir(directory)) {
        const std::string found = entry->d_name;
        if (found.compare(0, prefix.size(), prefix) != 0)
            continue;
        // PID-XXXXXX: a process that no longer runs left it.
        char* end = nullptr;
        const long pid = std::strtol(found.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == nullptr || *end != '-' || std::strlen(end + 1) != 6 ||
            pid == getpid() || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        // Named as FILE was: a bare name stays bare.
        const std::string leftover =
            path.find('/') == std::string::npos ? found : folder + "/" + found;
        struct stat info {};
        if (lstat(leftover.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == geteuid() && unlink(leftover.c_str()) == 0)
            removed.push_back(leftover);
    }
    closedir(directory);
    return removed;
}

CExportFile::CExportFile(const std::string& path, bool privateEntries)
    : m_strPath(path), m_strTemporary(path + kMarker + std::to_string(getpid()) + "-XXXXXX") {
    // No signal between the file's making and its removal being set up.
    sigset_t signals, previous;
    sigemptyset(&signals);
    for (int signal : kSignals)
        sigaddset(&signals, signal);
    sigprocmask(SIG_BLOCK, &signals, &previous);
    int fd = mkstemp(m_strTemporary.data());
    const int error = errno;
    if (fd >= 0)
        Arm(m_strTemporary);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0)
        throw CAdminError("cannot write " + path + ": " + std::strerror(error));
    // mkstemp makes the file private, as a person's own entries stay; public
    // ones get the permissions a new file gets.
    if (!privateEntries) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    m_pBuffer = std::make_unique<COutputBuffer>(fd, true);
    m_stream.rdbuf(m_pBuffer.get());
}

CExportFile::~CExportFile() {
    if (!m_bCommitted) {
        m_pBuffer->Close(false);
        std::remove(m_strTemporary.c_str());
    }
    Disarm();
}

void CExportFile::Commit() {
    m_stream.flush();
    COutputBuffer::Check(m_stream, m_strPath);
    if (!m_pBuffer->Close(true))
        throw CAdminError("cannot write " + m_strPath + ": " + std::strerror(m_pBuffer->Error()));
    if (std::rename(m_strTemporary.c_str(), m_strPath.c_str()) != 0)
        throw CAdminError("cannot write " + m_strPath + ": " + std::strerror(errno));
    m_bCommitted = true;
    Disarm();
}
