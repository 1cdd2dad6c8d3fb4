#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A text file exported on Windows, read as Windows text mode reads it on every
// platform: a CR LF pair arrives as one LF (a lone CR stays), and a Ctrl-Z as
// the file's very last byte ends it. Lines are read whole, line end included.
// A pipe or FIFO (a process substitution, say) is read the same way, as a
// stream whose size is not known in advance.
class COutlookTextFile {
public:
    COutlookTextFile() = default;
    ~COutlookTextFile();
    COutlookTextFile(const COutlookTextFile&) = delete;
    COutlookTextFile& operator=(const COutlookTextFile&) = delete;

    // path in the platform's file-name encoding. False (with errno set) if it
    // cannot be opened for reading or is a folder. Never waits for a FIFO's
    // writer: one that has none yet reads as empty.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    // A pipe, FIFO or device rather than a regular file.
    bool IsStream() const { return m_bStream; }
    // The file's size in bytes, or -1 for a stream.
    int64_t Size() const { return m_nSize; }

    // The next line with its LF (the last line may have none); false at the end.
    bool ReadLine(std::string& line);

private:
    bool Fill();

    std::FILE* m_pFile = nullptr;
    bool m_bStream = false;
    int64_t m_nSize = -1;
    int64_t m_nRemaining = 0; // bytes of a regular file not yet buffered, Ctrl-Z excluded
    char m_buffer[65536];
    size_t m_nPosition = 0;
    size_t m_nLength = 0;
};
