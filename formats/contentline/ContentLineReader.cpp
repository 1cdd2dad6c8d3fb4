#include "ContentLineReader.h"

#include "TextFile.h"

namespace {

void StripLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
}

// A vCard 2.1 quoted-printable value goes on after a line ending in '='.
bool SoftBreak(const std::string& line) {
    if (line.empty() || line.back() != '=')
        return false;
    size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    for (size_t i = 0; i + 16 <= colon; ++i) {
        static const char kWord[] = "QUOTED-PRINTABLE";
        size_t j = 0;
        while (j < 16 && (line[i + j] & ~0x20) == (kWord[j] & ~0x20))
            ++j;
        if (j == 16)
            return true;
    }
    return false;
}

} // namespace

bool CContentLineReader::ReadPhysical(std::string& line) {
    if (!m_file.ReadLine(line))
        return false;
    ++m_nRead;
    m_nBytes += static_cast<int64_t>(line.size());
    m_bPhysicalCut = m_file.LastLineCut();
    // CR CR LF (a file whose line ends were converted twice) ends one line,
    // not two: the empty line between would part a folded value from its
    // continuations.
    if (!line.empty() && line.back() == '\r' && m_file.ReadLine(m_after)) {
        if (m_after == "\n")
            m_nBytes += 1;
        else
            m_file.PushBack(std::move(m_after));
    }
    StripLineEnd(line);
    return true;
}

bool CContentLineReader::Next(std::string& line) {
    if (m_bHaveNext) {
        line.swap(m_next);
        m_bHaveNext = false;
        m_nLine = m_nNextLine;
        m_bCut = m_bNextCut;
    } else {
        if (!ReadPhysical(line))
            return false;
        m_nLine = m_nRead;
        m_bCut = m_bPhysicalCut;
    }
    for (;;) {
        const bool soft = SoftBreak(line);
        if (!ReadPhysical(m_next))
            break;
        const bool folded = !m_next.empty() && (m_next[0] == ' ' || m_next[0] == '\t');
        // A broken value's '=' does not swallow the end of its card.
        const bool ends = m_next.size() == 9 && (m_next[0] | 0x20) == 'e' &&
                          (m_next[1] | 0x20) == 'n' && (m_next[2] | 0x20) == 'd' &&
                          m_next[3] == ':';
        if ((!soft || ends) && !folded) {
            // The line read ahead starts the next logical line.
            m_bHaveNext = true;
            m_nNextLine = m_nRead;
            m_bNextCut = m_bPhysicalCut;
            break;
        }
        m_bCut = m_bCut || m_bPhysicalCut;
        if (soft)
            line.pop_back();
        const size_t skip = folded ? 1 : 0;
        const size_t room =
            line.size() < CTextFile::kMaxLine ? CTextFile::kMaxLine - line.size() : 0;
        if (m_next.size() - skip > room)
            m_bCut = true;
        line.append(m_next, skip, room);
    }
    return true;
}
