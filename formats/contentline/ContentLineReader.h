#pragma once

#include <cstdint>
#include <string>

class CTextFile;

// The logical lines of a vCard or iCalendar file: a line that begins with a
// blank or tab continues the one before (folding, the blank dropped), and a
// quoted-printable value (vCard 2.1) whose line ends in '=' goes on in the
// next line (a soft line break, the '=' dropped). Lines arrive as the text
// file delivers them (code page 932), without their line ends, at most
// CTextFile::kMaxLine bytes each.
class CContentLineReader {
public:
    explicit CContentLineReader(CTextFile& file) : m_file(file) {}

    // The next logical line; false at the file's end.
    bool Next(std::string& line);
    // The physical line on which the last logical line began, from 1.
    int64_t Line() const { return m_nLine; }
    // Bytes of the file read so far.
    int64_t Bytes() const { return m_nBytes; }
    // The last logical line was longer than a line keeps and was cut.
    bool Cut() const { return m_bCut; }

private:
    bool ReadPhysical(std::string& line);

    CTextFile& m_file;
    std::string m_next; // a physical line read ahead
    bool m_bHaveNext = false;
    int64_t m_nNextLine = 0;
    bool m_bNextCut = false;
    int64_t m_nRead = 0; // physical lines read
    int64_t m_nLine = 0;
    int64_t m_nBytes = 0;
    bool m_bCut = false;
    bool m_bPhysicalCut = false; // the last physical line was cut
    std::string m_after;         // the line after one ending in a lone CR
};
