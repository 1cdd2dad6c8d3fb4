#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A text file exported on Windows, read as Windows text mode reads it on every
// platform: a CR LF pair arrives as one LF (a lone CR stays), and a Ctrl-Z as
// the file's very last byte ends it. Lines are read whole, line end included.
class COutlookTextFile {
public:
    COutlookTextFile() = default;
    ~COutlookTextFile();
    COutlookTextFile(const COutlookTextFile&) = delete;
    COutlookTextFile& operator=(const COutlookTextFile&) = delete;

    // path in the platform's file-name encoding. False if it cannot be opened
    // for reading as a regular file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }

    // The next line with its LF (the last line may have none); false at the end.
    bool ReadLine(std::string& line);

private:
    bool Fill();

    std::FILE* m_pFile = nullptr;
    int64_t m_nRemaining = 0; // bytes of the file not yet buffered, Ctrl-Z excluded
    char m_buffer[65536];
    size_t m_nPosition = 0;
    size_t m_nLength = 0;
};
