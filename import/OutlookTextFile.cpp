#include "OutlookTextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

COutlookTextFile::~COutlookTextFile() {
    Close();
}

bool COutlookTextFile::Open(const std::string& path) {
    Close();
    // Non-blocking, so that a FIFO without a writer cannot hang the open; the
    // reads afterwards block as usual.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        int reason = S_ISDIR(info.st_mode) ? EISDIR : errno;
        close(fd);
        errno = reason;
        return false;
    }
    int flags = fcntl(fd, F_GETFL);
    std::FILE* file =
        flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : fdopen(fd, "rb");
    if (file == nullptr) {
        int reason = errno;
        close(fd);
        errno = reason;
        return false;
    }
    m_pFile = file;
    m_bStream = !S_ISREG(info.st_mode);
    m_nSize = m_bStream ? -1 : static_cast<int64_t>(info.st_size);
    m_nRemaining = m_bStream ? INT64_MAX : m_nSize;
    if (!m_bStream && m_nRemaining > 0 && std::fseek(file, -1, SEEK_END) == 0) {
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
    m_nSize = -1;
    m_bStream = false;
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
        if (m_nPosition >= m_nLength && !Fill()) {
            // A stream's end is known only when it comes: drop its Ctrl-Z then.
            if (m_bStream && !line.empty() && line.back() == 0x1A)
                line.pop_back();
            return any && !line.empty();
        }
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
