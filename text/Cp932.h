#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Code page 932 (Shift-JIS as Windows maps it) to and from UTF-8. Groupware
// texts stay CP932 bytes everywhere; these conversions happen only where a text
// meets a person: a widget, a terminal or a command line.
class CCp932 {
public:
    // Converts UTF-8 to CP932. Returns false, leaving cp932 unspecified, when the
    // input is not UTF-8 or holds a character that CP932 cannot hold.
    static bool FromUtf8(std::string_view utf8, std::string& cp932);

    // Converts CP932 to UTF-8. Bytes that are not CP932 become U+FFFD.
    static std::string ToUtf8(std::string_view cp932);
    // Whether every byte of text belongs to a character of the code page,
    // outside its user-defined area (which text from elsewhere never uses).
    static bool Reads(std::string_view cp932);

    // Converts a text the system wrote (a message of libpq, of the server or
    // of SQLite, strerror's) to CP932: UTF-8 when it is valid UTF-8, else the
    // locale's character set. A character CP932 cannot hold becomes "〓",
    // bytes that are neither "?"; plain ASCII stays as it is.
    static std::string FromSystem(std::string_view text);

    // Converts bytes in another character set (a name iconv knows) to UTF-8,
    // a byte the set does not have as U+FFFD; false when iconv knows no such set.
    static bool CharsetToUtf8(std::string_view bytes, const std::string& charset,
                              std::string& utf8);

    // True for the first byte of a double-byte character.
    static bool IsLeadByte(unsigned char byte) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }

    // True for a byte that can follow a lead byte.
    static bool IsTrailByte(unsigned char byte) {
        return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
    }

    // Length of text, at most width: the bytes before the first NUL of a field
    // of width bytes. A field without a NUL is read to its end, never past it.
    static size_t FieldLength(const char* field, size_t width);
    // The text of such a field: a view of it, up to its NUL.
    static std::string_view FieldText(const char* field, size_t width) {
        return std::string_view(field, FieldLength(field, width));
    }

    // Copies text into field (fieldSize bytes): at most fieldSize - 1 bytes of
    // text, never a split or partnerless double-byte character, always the NUL.
    // False only for a null field or fieldSize <= 0. The library's kvCopyText.
    static bool CopyText(char* field, const char* text, int fieldSize);

    // How many characters text holds (a double-byte character counts once).
    static size_t CharacterCount(std::string_view text);

    // Largest length <= limit at which text (length bytes) can be cut without
    // splitting a double-byte character.
    static size_t CutLength(const char* text, size_t length, size_t limit);

    // Appends text to out with each character in its canonical code: code
    // page 932 holds about 400 characters twice (NEC-selected IBM extensions
    // and IBM extensions, NEC row 13 and JIS symbols); the code that the
    // conversion from Unicode writes (as Windows does) stands for both. What
    // is stored keeps the file's code; comparisons use this form.
    static void AppendCanonical(std::string& out, const char* text, size_t length);

    // Writes the code page 932 form of a Unicode code point into out (1 or 2
    // bytes, the count returned), as the conversion from UTF-8 would; 0 when
    // code page 932 cannot hold the character. A table lookup, for text read
    // in bulk.
    static int FromCodePoint(uint32_t codePoint, char out[2]);
    // The same, with whether the form reads back as codePoint (RoundTrips).
    static int FromCodePoint(uint32_t codePoint, char out[2], bool& exact);
    // Whether code point's code page 932 form reads back as itself: false
    // where it has none, and for the few characters of the JIS mapping
    // written with another code point's form (U+301C as U+FF5E's, say).
    static bool RoundTrips(uint32_t codePoint);
};
