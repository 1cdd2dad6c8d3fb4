#include "ExportFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "AdminError.h"

CExportFile::CExportFile(const std::string& path, bool privateEntries)
    : m_strPath(path), m_strTemporary(path + ".XXXXXX") {
    int fd = mkstemp(m_strTemporary.data());
    if (fd < 0)
        throw CAdminError("cannot write " + path + ": " + std::strerror(errno));
    // mkstemp makes the file private, as a person's own entries stay; public
    // ones get the permissions a new file gets.
    if (!privateEntries) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    close(fd);
    m_file.open(m_strTemporary, std::ios::binary | std::ios::trunc);
    if (!m_file) {
        std::remove(m_strTemporary.c_str());
        throw CAdminError("cannot write " + path + ": " + std::strerror(errno));
    }
}

CExportFile::~CExportFile() {
    if (!m_bCommitted) {
        m_file.close();
        std::remove(m_strTemporary.c_str());
    }
}

void CExportFile::Commit() {
    m_file.close();
    if (!m_file || std::rename(m_strTemporary.c_str(), m_strPath.c_str()) != 0)
        throw CAdminError("cannot write " + m_strPath + ": " + std::strerror(errno));
    m_bCommitted = true;
}
