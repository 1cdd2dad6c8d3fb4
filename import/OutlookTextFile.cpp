#include "OutlookTextFile.h"

#include <sys/stat.h>

#include <cerrno>

COutlookTextFile::~COutlookTextFile() {
    Close();
}

bool COutlookTextFile::Open(const std::string& path) {
    Close();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        int reason = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        std::fclose(file);
        errno = reason;
        return false;
    }
    m_pFile = file;
    m_nRemaining = info.st_size;
    if (m_nRemaining > 0 && std::fseek(file, -1, SEEK_END) == 0) {
        if (std::fgetc(file) == 0x1A)
            --m_nRemaining; // the end-of-file mark of old Windows tools
        std::fseek(file, 0, SEEK_SET);
    }
    m_nPosition = m_nLength = 0;
    return true;
}

void COutlookTextFile::Close() {
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_nPosition = m_nLength = 0;
    m_nRemaining = 0;
}

bool COutlookTextFile::Fill() {
    if (m_pFile == nullptr || m_nRemaining <= 0)
        return false;
    size_t want = sizeof(m_buffer);
    if (static_cast<int64_t>(want) > m_nRemaining)
        want = static_cast<size_t>(m_nRemaining);
    size_t got = std::fread(m_buffer, 1, want, m_pFile);
    if (got == 0) {
        m_nRemaining = 0;
        return false;
    }
    m_nRemaining -= static_cast<int64_t>(got);
    m_nPosition = 0;
    m_nLength = got;
    return true;
}

bool COutlookTextFile::ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (m_nPosition >= m_nLength && !Fill())
            return any;
        any = true;
        // Copy the run up to the next CR or LF in one piece.
        const char* begin = m_buffer + m_nPosition;
        const char* end = m_buffer + m_nLength;
        const char* stop = begin;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        line.append(begin, static_cast<size_t>(stop - begin));
        m_nPosition += static_cast<size_t>(stop - begin);
        if (stop == end)
            continue;
        char c = m_buffer[m_nPosition++];
        if (c == '\n') {
            line += '\n';
            return true;
        }
        // CR LF becomes LF; the LF may start the next buffer.
        if (m_nPosition >= m_nLength && !Fill()) {
            line += '\r';
            return true;
        }
        if (m_buffer[m_nPosition] == '\n') {
            ++m_nPosition;
            line += '\n';
            return true;
        }
        line += '\r';
    }
}
