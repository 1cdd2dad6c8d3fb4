#include "BackendLoader.h"

#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>
#include <utility>

#include "BackendTable.h"

namespace {

const char kLibraryName[] = "libkelvo.so";

std::string ExecutableDirectory() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return std::string();
    std::string exe(path, static_cast<size_t>(length));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

} // namespace

CBackendLoader::~CBackendLoader() {
    if (m_hLibrary != nullptr)
        dlclose(m_hLibrary);
}

std::vector<std::string> CBackendLoader::Candidates() {
    const char* configured = std::getenv("KELVO_LIBRARY");
    if (configured != nullptr && *configured != '\0')
        return {configured};
    std::vector<std::string> candidates;
    std::string dir = ExecutableDirectory();
    // The build tree keeps the library beside the programs; an installation
    // keeps it, under its soname, in the program's own folder lib/kelvo-view/.
    const std::string soname = std::string(kLibraryName) + "." + std::to_string(KV_VERSION_MAJOR);
    const std::pair<std::string, std::string> places[] = {{dir, kLibraryName},
                                                          {dir + "/../lib/kelvo-view", soname}};
    for (const auto& [folder, name] : places) {
        // The folder named plainly (no ".."), as --version says it.
        char* real = !dir.empty() ? realpath(folder.c_str(), nullptr) : nullptr;
        const std::string path = real != nullptr ? std::string(real) + "/" + name : std::string();
        std::free(real);
        if (!path.empty() && access(path.c_str(), F_OK) == 0)
            candidates.push_back(path);
    }
    candidates.push_back(soname);
    candidates.push_back(kLibraryName);
    return candidates;
}

bool CBackendLoader::CheckVersion(int version, const std::string& path, std::string& error) {
    int major = version >> 16, minor = version & 0xFFFF;
    if (major == KV_VERSION_MAJOR && minor >= KV_VERSION_MINOR)
        return true;
    error = "バックエンドライブラリ「" + path + "」の版 " + std::to_string(major) + "." +
            std::to_string(minor) + " はこのプログラムでは使えません（" +
            std::to_string(KV_VERSION_MAJOR) + "." + std::to_string(KV_VERSION_MINOR) + " 以降の " +
            std::to_string(KV_VERSION_MAJOR) + " 系が必要です）";
    return false;
}

bool CBackendLoader::Load(CBackendTable& table, std::string& error) {
    void* handle = nullptr;
    std::string reason;
    for (const std::string& candidate : Candidates()) {
        m_strLibraryPath = candidate;
        handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr)
            break;
        const char* why = dlerror();
        reason = why != nullptr ? why : "";
    }
    if (handle == nullptr) {
        error = "バックエンドライブラリ「" + m_strLibraryPath + "」を読み込めません: " + reason;
        return false;
    }

    CBackendTable loaded;
    const char* missing = nullptr;
    // Function pointers from dlsym: the documented POSIX way is a plain cast.
#define KV_LOAD_MEMBER(name)                                                                       \
    loaded.name = reinterpret_cast<decltype(loaded.name)>(dlsym(handle, #name));                   \
    if (loaded.name == nullptr && missing == nullptr)                                              \
        missing = #name;
    KV_FOR_EACH_ENTRY(KV_LOAD_MEMBER)
#undef KV_LOAD_MEMBER
    if (missing != nullptr) {
        dlclose(handle);
        error = "バックエンドライブラリ「" + m_strLibraryPath + "」に操作「" + missing +
                "」がありません";
        return false;
    }

    if (!CheckVersion(loaded.kvVersion(), m_strLibraryPath, error)) {
        dlclose(handle);
        return false;
    }

    if (m_hLibrary != nullptr)
        dlclose(m_hLibrary);
    m_hLibrary = handle;
    table = loaded;
    return true;
}
