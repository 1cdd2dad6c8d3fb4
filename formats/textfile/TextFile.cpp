#include "TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "Cp932.h"
#include "Utf8.h"

namespace {

const char kSubstitute[] = "\x81\xAC"; // 〓

constexpr size_t kMore = static_cast<size_t>(-1);

// The multi-byte UTF-8 sequence of length bytes at i, gathered into sequence
// across a line fold a writer put inside it ("\r\n" or "\n", then a space or
// tab; a web address book folds by bytes): the bytes it takes, its fold at
// foldAt (foldLength 0 when there is none); 0 where a byte is neither part of
// it nor a fold, kMore where size ends before it does.
size_t Gather(const unsigned char* bytes, size_t size, size_t i, size_t length,
              unsigned char (&sequence)[4], size_t& foldAt, size_t& foldLength) {
    foldLength = 0;
    sequence[0] = bytes[i];
    size_t j = i + 1;
    for (size_t gathered = 1; gathered < length;) {
        if (j >= size)
            return kMore;
        if ((bytes[j] & 0xC0) == 0x80) {
            sequence[gathered++] = bytes[j++];
            continue;
        }
        const size_t crlf = bytes[j] == '\r' ? 1 : 0;
        if (foldLength != 0 || (crlf == 0 && bytes[j] != '\n'))
            return 0;
        if (j + crlf + 1 >= size)
            return kMore;
        if (bytes[j + crlf] != '\n' || (bytes[j + crlf + 1] != ' ' && bytes[j + crlf + 1] != '\t'))
            return 0;
        foldAt = j;
        foldLength = crlf + 2;
        j += foldLength;
    }
    return j - i;
}

// Whether text is valid UTF-8 with bytes beyond ASCII (a character a fold
// cuts counting as whole); a sequence cut by the end of the text counts as
// valid unless the file ends there.
bool LooksLikeUtf8(const std::string& text, bool atEnd, bool& nonAscii) {
    nonAscii = false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        // Runs of ASCII (a whole LDIF or English file) eight bytes at a time.
        uint64_t eight = 0;
        while (i + 8 <= text.size() &&
               (std::memcpy(&eight, bytes + i, 8), (eight & 0x8080808080808080ull) == 0))
            i += 8;
        if (i >= text.size())
            break;
        size_t length = CUtf8::SequenceLength(bytes[i]);
        if (length == 0)
            return false;
        if (length == 1) {
            ++i;
            continue;
        }
        unsigned char sequence[4];
        size_t foldAt = 0, foldLength = 0;
        const size_t taken = Gather(bytes, text.size(), i, length, sequence, foldAt, foldLength);
        if (taken == kMore) {
            // A sequence cut by the read says nothing yet, as far as what came
            // of it is right. One cut by the end of the file: a file cut off
            // inside its last character is still UTF-8 (the fragment becomes
            // a substitute).
            nonAscii = nonAscii || atEnd;
            return true;
        }
        uint32_t codePoint = 0;
        if (taken == 0 || !CUtf8::Decode(sequence, length, codePoint))
            return false;
        nonAscii = true;
        i += taken;
    }
    return true;
}

} // namespace

CTextFile::~CTextFile() {
    Close();
}

const char* CTextFile::EncodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Cp932:
        return "code page 932";
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Utf8Bom:
        return "UTF-8 with a byte order mark";
    case Encoding::Utf16Le:
        return "UTF-16 (little-endian)";
    case Encoding::Utf16Be:
        return "UTF-16 (big-endian)";
    }
    return "";
}

bool CTextFile::Open(const std::string& path) {
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
    Adopt(file, !S_ISREG(info.st_mode), static_cast<int64_t>(info.st_size));
    return true;
}

bool CTextFile::OpenText(std::string text) {
    Close();
    m_strText = std::move(text);
    // fmemopen refuses a buffer of no bytes: an empty text reads as an empty file.
    std::FILE* file = m_strText.empty() ? std::fopen("/dev/null", "rb")
                                        : fmemopen(m_strText.data(), m_strText.size(), "rb");
    if (file == nullptr)
        return false;
    Adopt(file, false, static_cast<int64_t>(m_strText.size()));
    return true;
}

void CTextFile::Adopt(std::FILE* file, bool stream, int64_t size) {
    m_pFile = file;
    m_bStream = stream;
    m_nSize = m_bStream ? -1 : size;
    m_nRemaining = m_bStream ? INT64_MAX : m_nSize;
    if (!m_bStream && m_nRemaining > 0 && std::fseek(file, -1, SEEK_END) == 0) {
        if (std::fgetc(file) == 0x1A)
            --m_nRemaining; // the end-of-file mark of old Windows tools
        std::fseek(file, 0, SEEK_SET);
    }
}

void CTextFile::Close() {
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_nRemaining = 0;
    m_nSize = -1;
    m_bStream = false;
    m_encoding = Encoding::Cp932;
    m_bDecided = false;
    m_bFirst = true;
    m_raw.clear();
    m_pending.clear();
    m_data.clear();
    m_nPosition = 0;
    m_nBase = 0;
    m_substitutes.clear();
    m_nSubstitutes = 0;
    m_strText.clear();
}

void CTextFile::Detect(const std::string& raw, bool atEnd) {
    auto starts = [&](const char* mark, size_t length) {
        return raw.size() >= length && raw.compare(0, length, mark, length) == 0;
    };
    if (m_bFirst) {
        m_bFirst = false;
        if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2)) {
            m_encoding = raw[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
            m_bDecided = true;
            m_raw.erase(0, 2);
            return;
        }
        if (starts("\xEF\xBB\xBF", 3)) {
            m_encoding = Encoding::Utf8Bom;
            m_bDecided = true;
            m_raw.erase(0, 3);
            return;
        }
        // UTF-16 without a byte order mark: code page 932 and UTF-8 text
        // holds no NUL, UTF-16 text one in each ASCII character (a Japanese
        // header has at least its separators and line end).
        size_t high = 0, low = 0;
        const size_t pairs = std::min<size_t>(raw.size(), 1024) / 2;
        for (size_t i = 0; i < pairs; ++i) {
            const bool first = raw[2 * i] == '\0', second = raw[2 * i + 1] == '\0';
            high += first && !second ? 1 : 0;
            low += second && !first ? 1 : 0;
        }
        if (high + low >= 2 && (high == 0) != (low == 0) && (high + low) * 8 >= pairs) {
            m_encoding = high != 0 ? Encoding::Utf16Be : Encoding::Utf16Le;
            m_bDecided = true;
            return;
        }
    }
    // Plain ASCII says nothing: both encodings read it alike, so the decision
    // waits for the first byte beyond it.
    bool nonAscii = false;
    bool utf8 = LooksLikeUtf8(raw, atEnd, nonAscii);
    if (!nonAscii && utf8)
        return;
    m_encoding = utf8 ? Encoding::Utf8 : Encoding::Cp932;
    m_bDecided = true;
}

char* CTextFile::Substitute(char* out) {
    m_substitutes.push_back(m_nBase + (out - m_data.data()));
    ++m_nSubstitutes;
    *out++ = kSubstitute[0];
    *out++ = kSubstitute[1];
    return out;
}

char* CTextFile::Put(uint32_t codePoint, char* out) {
    if (m_bUnicodeOut) {
        // At most four bytes, within the room the conversions make.
        if (codePoint < 0x80) {
            *out++ = static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
            *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
        }
        return out;
    }
    int written = CCp932::FromCodePoint(codePoint, out);
    return written == 0 ? Substitute(out) : out + written;
}

void CTextFile::ConvertUtf8(const std::string& raw, bool atEnd) {
    // Code page 932 takes at most as many bytes as UTF-8, but for a substitute
    // standing for a stray byte (U+FFFD, delivered as UTF-8, three for one):
    // room for three times the input is enough.
    m_data.resize(raw.size() * 3);
    char* out = m_data.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    const size_t size = raw.size();
    for (size_t i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            // A run of ASCII in one copy.
            size_t end = i + 1;
            while (end < size && bytes[end] < 0x80)
                ++end;
            std::memcpy(out, bytes + i, end - i);
            out += end - i;
            i = end;
            continue;
        }
        size_t length = CUtf8::SequenceLength(bytes[i]);
        unsigned char sequence[4];
        size_t foldAt = 0, foldLength = 0;
        const size_t taken =
            length > 1 ? Gather(bytes, size, i, length, sequence, foldAt, foldLength) : 0;
        if (taken == kMore && !atEnd) {
            m_pending.assign(raw, i, std::string::npos); // completed by the next read
            break;
        }
        uint32_t codePoint = 0;
        if (taken == 0 || taken == kMore || !CUtf8::Decode(sequence, length, codePoint)) {
            out = m_bUnicodeOut ? Put(0xFFFD, out) : Substitute(out); // a byte that is no UTF-8
            ++i;
            continue;
        }
        if (m_bUnicodeOut) {
            std::memcpy(out, sequence, length);
            out += length;
        } else {
            out = Put(codePoint, out);
        }
        // A fold inside the character goes after it: unfolding joins the
        // lines as the writer meant, and the lines are counted as they stand.
        std::memcpy(out, bytes + foldAt, foldLength);
        out += foldLength;
        i += taken;
    }
    m_data.resize(static_cast<size_t>(out - m_data.data()));
}

void CTextFile::ConvertUtf16(const std::string& raw, bool atEnd) {
    const bool little = m_encoding == Encoding::Utf16Le;
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    const size_t size = raw.size();
    auto unit = [&](size_t at) -> uint32_t {
        return little ? bytes[at] | (bytes[at + 1] << 8) : (bytes[at] << 8) | bytes[at + 1];
    };
    // Two bytes of UTF-16 never become more than two of code page 932, nor
    // more than three of UTF-8 (four of UTF-8 come from four of UTF-16); a
    // lone byte at the end becomes a substitute of two (or three).
    m_data.resize(size * 3 / 2 + 3);
    char* out = m_data.data();
    size_t i = 0;
    while (i + 1 < size) {
        uint32_t codePoint = unit(i);
        size_t used = 2;
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            if (i + 3 >= size && !atEnd)
                break; // the low half comes with the next read
            uint32_t low = i + 3 < size ? unit(i + 2) : 0;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
                used = 4;
            } else {
                codePoint = 0xFFFD; // an unpaired half
            }
        } else if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
            codePoint = 0xFFFD;
        }
        out = Put(codePoint, out);
        i += used;
    }
    // Half a character at the very end is no character: it is dropped
    // (a substitute there would make a record of its own).
    if (i < size && !atEnd)
        m_pending.assign(raw, i, std::string::npos);
    m_data.resize(static_cast<size_t>(out - m_data.data()));
}

bool CTextFile::Fill() {
    m_nBase += static_cast<int64_t>(m_data.size());
    m_data.clear();
    m_nPosition = 0;
    while (m_data.empty()) {
        if (m_pFile == nullptr || (m_nRemaining <= 0 && m_pending.empty()))
            return false;
        size_t want = m_nChunk;
        if (static_cast<int64_t>(want) > m_nRemaining)
            want = static_cast<size_t>(m_nRemaining);
        m_raw.resize(want);
        size_t got = want > 0 ? std::fread(m_raw.data(), 1, want, m_pFile) : 0;
        m_raw.resize(got);
        if (got == 0)
            m_nRemaining = 0;
        else
            m_nRemaining -= static_cast<int64_t>(got);
        bool atEnd = m_nRemaining <= 0 || got == 0;
        if (!m_pending.empty()) {
            m_raw.insert(0, m_pending);
            m_pending.clear();
        }
        if (m_raw.empty())
            return false;
        if (!m_bDecided) {
            Detect(m_raw, atEnd);
            // Still undecided, the read may end inside the first character
            // beyond ASCII, or at a line end after its first bytes (a fold inside
            // it, or not: the next line's first byte says): what it has of that
            // character waits for the next read, which decides.
            if (!m_bDecided && !atEnd) {
                size_t end = m_raw.size();
                while (end > 0 && m_raw.size() - end < 2 &&
                       (m_raw[end - 1] == '\n' || m_raw[end - 1] == '\r'))
                    --end;
                size_t tail = end;
                while (tail > 0 && end - tail < 3 &&
                       (static_cast<unsigned char>(m_raw[tail - 1]) & 0xC0) == 0x80)
                    --tail;
                if (tail > 0 && static_cast<unsigned char>(m_raw[tail - 1]) >= 0xC0) {
                    m_pending.assign(m_raw, tail - 1, std::string::npos);
                    m_raw.resize(tail - 1);
                }
            }
        }
        switch (m_encoding) {
        case Encoding::Cp932:
            m_data.swap(m_raw);
            break;
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            ConvertUtf8(m_raw, atEnd);
            break;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            ConvertUtf16(m_raw, atEnd);
            break;
        }
        if (m_data.empty() && atEnd && m_pending.empty())
            return false;
    }
    return true;
}

int CTextFile::TakeSubstitutes(int64_t position) {
    int count = 0;
    while (!m_substitutes.empty() && m_substitutes.front() < position) {
        m_substitutes.pop_front();
        ++count;
    }
    return count;
}

void CTextFile::PushBack(std::string line) {
    m_pushedBack = std::move(line);
    m_bPushedBackCut = m_bLineCut;
    m_bPushedBack = true;
}

bool CTextFile::ReadLine(std::string& line) {
    if (m_bPushedBack) {
        m_bPushedBack = false;
        line.swap(m_pushedBack);
        m_bLineCut = m_bPushedBackCut;
        return true;
    }
    line.clear();
    m_bLineCut = false;
    bool any = false;
    for (;;) {
        if (m_nPosition >= m_data.size() && !Fill()) {
            // A stream's end is known only when it comes: drop its Ctrl-Z then.
            if (m_bStream && !line.empty() && line.back() == 0x1A)
                line.pop_back();
            return any && !line.empty();
        }
        any = true;
        // Copy the run up to the next CR or LF in one piece, as far as a line keeps.
        const char* begin = m_data.data() + m_nPosition;
        const char* end = m_data.data() + m_data.size();
        // (Two memchr: a byte loop took a tenth of reading a large file.)
        const void* lf = std::memchr(begin, '\n', static_cast<size_t>(end - begin));
        const char* stop = lf != nullptr ? static_cast<const char*>(lf) : end;
        if (const void* cr = std::memchr(begin, '\r', static_cast<size_t>(stop - begin)))
            stop = static_cast<const char*>(cr);
        const size_t run = static_cast<size_t>(stop - begin);
        const size_t room = line.size() < kMaxLine ? kMaxLine - line.size() : 0;
        if (run > room)
            m_bLineCut = true;
        line.append(begin, std::min(run, room));
        m_nPosition += run;
        if (stop == end)
            continue;
        char c = m_data[m_nPosition++];
        if (c == '\n') {
            line += '\n';
            return true;
        }
        // CR LF becomes LF; the LF may start the next piece. A lone CR (as
        // older Mac programs end lines) ends the line too, and stays its end.
        if (m_nPosition >= m_data.size() && !Fill()) {
            line += '\r';
            return true;
        }
        if (m_data[m_nPosition] == '\n') {
            ++m_nPosition;
            line += '\n';
            return true;
        }
        line += '\r';
        return true;
    }
}
