#pragma once

#include <string>
#include <vector>

struct CBackendTable;

// Opens the backend library and fills a CBackendTable from it. The library
// stays loaded for the loader's lifetime.
//
// Search order: $KELVO_LIBRARY when set (and nothing else), else libkelvo.so
// beside the executable (a build tree), else libkelvo.so.1 in ../lib from it
// (an installation), else libkelvo.so.1 and libkelvo.so on the system search
// path.
class CBackendLoader {
public:
    CBackendLoader() = default;
    ~CBackendLoader();
    CBackendLoader(const CBackendLoader&) = delete;
    CBackendLoader& operator=(const CBackendLoader&) = delete;

    // Loads the library and fills every member of table. On failure the table
    // is left as it was, and error (UTF-8) names the file and, when the library
    // loaded but lacks an operation, that operation.
    bool Load(CBackendTable& table, std::string& error);

    // The file that Load opened or tried last.
    const std::string& LibraryPath() const { return m_strLibraryPath; }

    // The candidate files, in the order Load tries them.
    static std::vector<std::string> Candidates();

    // Whether a library of version ((major << 16) | minor) serves this program:
    // the same major version, at least its minor one. If not, error says so.
    static bool CheckVersion(int version, const std::string& path, std::string& error);

private:
    void* m_hLibrary = nullptr;
    std::string m_strLibraryPath;
};
