#include "TempDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "kelvo.h"

namespace {

void DropMonitorLines() {
    char line[KV_MONITOR_LINE_SIZE];
    while (kvReadMonitorLine(line, sizeof(line)))
        ;
}

} // namespace

CTempDatabase::CTempDatabase() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_strFolder = pattern;
    m_strPath = m_strFolder + "/groupware.db";
    kvShutdown();
    setenv("KELVO_DATABASE", m_strPath.c_str(), 1);
    DropMonitorLines();
}

CTempDatabase::~CTempDatabase() {
    kvShutdown();
    DropMonitorLines();
    unsetenv("KELVO_DATABASE");
    std::error_code ignored;
    std::filesystem::remove_all(m_strFolder, ignored);
}
