#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

// A text file exported on Windows, read as Windows text mode reads it on every
// platform: a CR LF pair arrives as one LF, and a Ctrl-Z as the file's very
// last byte ends it; a lone CR (older Mac programs) ends a line as well, and
// arrives as that line's end. Lines are read with their line end, up to
// kMaxLine bytes: what a longer line holds beyond is dropped.
// A pipe or FIFO (a process substitution, say) is read the same way, as a
// stream whose size is not known in advance.
//
// The text arrives in code page 932 whatever the file holds: its encoding is
// told from its start (a UTF-16 or UTF-8 byte order mark, else text that is
// valid UTF-8 and not plain ASCII, else code page 932), and Unicode text is
// converted as it is read. A character code page 932 cannot hold arrives as
// 〓 (0x81 0xAC), and where it stands is kept so that it can be counted.
// A reader that keeps what code page 932 cannot hold asks for Unicode text
// as UTF-8 instead (DeliverUnicode), and converts what it stores itself.
class CTextFile {
public:
    enum class Encoding { Cp932, Utf8, Utf8Bom, Utf16Le, Utf16Be };

    CTextFile() = default;
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // path in the platform's file-name encoding. False (with errno set) if it
    // cannot be opened for reading or is a folder. Never waits for a FIFO's
    // writer: one that has none yet reads as empty.
    bool Open(const std::string& path);
    // Reads text held in memory (a request's body) as a regular file of its size.
    bool OpenText(std::string text);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    // A pipe, FIFO or device rather than a regular file.
    bool IsStream() const { return m_bStream; }
    // The file's size in bytes, or -1 for a stream.
    int64_t Size() const { return m_nSize; }

    // Reads the file in pieces of bytes (65,536 unless set): the fuzz
    // harnesses shrink them to reach what happens where one read ends.
    void SetChunk(size_t bytes) { m_nChunk = bytes > 0 ? bytes : 1; }

    // Unicode text (UTF-8 and UTF-16 files) arrives as UTF-8, a byte or
    // half a character that is no Unicode as U+FFFD; code page 932 files as
    // they are. Set before the first line is read; IsUnicode() then tells
    // what a line holds (before the first character beyond ASCII, both read alike).
    void DeliverUnicode(bool unicode) { m_bUnicodeOut = unicode; }
    bool DeliversUnicode() const { return m_bUnicodeOut && IsUnicode(); }

    // The encoding found (code page 932 until the text shows otherwise).
    Encoding GetEncoding() const { return m_encoding; }
    bool IsUnicode() const { return m_encoding != Encoding::Cp932; }
    static const char* EncodingName(Encoding encoding);

    // A line keeps at most this much: far more than a record of any export.
    static constexpr size_t kMaxLine = 4u << 20;

    // The next line with its LF or CR (the last line may have none); false at the end.
    bool ReadLine(std::string& line);
    // Hands line (the one last read) out again at the next ReadLine: a look
    // at the first line tells the file's form before its reader starts.
    void PushBack(std::string line);
    // The line last read was longer than kMaxLine and was cut.
    bool LastLineCut() const { return m_bLineCut; }

    // Code page 932 bytes handed out by ReadLine so far (before text mode
    // joined CR LF), and how many substitutes stood before position, counted
    // once: each call takes the ones it counts.
    int64_t Consumed() const { return m_nBase + static_cast<int64_t>(m_nPosition); }
    int TakeSubstitutes(int64_t position);
    // All substitutes so far.
    int Substitutes() const { return m_nSubstitutes; }

private:
    // Reads the next piece of the file into m_data, converted; false at the end.
    bool Fill();
    // Tells the encoding from the first bytes that say something.
    void Detect(const std::string& raw, bool atEnd);
    // Writes a substitute at out (within m_data) and notes where it stands.
    char* Substitute(char* out);
    // Writes code point at out (within m_data) in the form delivered: code
    // page 932 (a substitute where it has none) or UTF-8.
    char* Put(uint32_t codePoint, char* out);
    void ConvertUtf8(const std::string& raw, bool atEnd);
    void ConvertUtf16(const std::string& raw, bool atEnd);

    // Takes the open file over: its size, and the end-of-file mark at its end.
    void Adopt(std::FILE* file, bool stream, int64_t size);

    std::FILE* m_pFile = nullptr;
    std::string m_strText; // what OpenText reads
    bool m_bStream = false;
    int64_t m_nSize = -1;
    int64_t m_nRemaining = 0; // raw bytes of a regular file not yet read, Ctrl-Z excluded
    Encoding m_encoding = Encoding::Cp932;
    bool m_bDecided = false;
    bool m_bUnicodeOut = false;
    bool m_bFirst = true;
    std::string m_raw;     // what the last read brought
    std::string m_pending; // an incomplete sequence carried to the next read
    std::string m_data;    // converted text being handed out
    size_t m_nPosition = 0;
    int64_t m_nBase = 0; // converted bytes before m_data
    std::deque<int64_t> m_substitutes;
    int m_nSubstitutes = 0;
    bool m_bLineCut = false;
    size_t m_nChunk = 65536;
    std::string m_pushedBack;
    bool m_bPushedBack = false;
    bool m_bPushedBackCut = false;
};
