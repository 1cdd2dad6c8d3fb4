#pragma once

#include <string>
#include <string_view>

// The value of a vCard property as text for a record: quoted-printable or
// base64 undone, then the bytes read in the property's character set and
// converted to code page 932. Values without an encoding were converted with
// the file; only encoded bytes carry their own character set.
class CPropertyText {
public:
    static std::string DecodeQuotedPrintable(std::string_view text);
    // Whether charset names code page 932 (Shift_JIS and its other names).
    static bool IsCp932Name(const std::string& charset);
    static std::string DecodeBase64(std::string_view text);
    // bytes in charset (UTF-8, Shift_JIS and its Windows and IANA names, or any
    // other name iconv knows; empty: UTF-8 when they are valid UTF-8, else code
    // page 932) into cp932. Returns the characters replaced with 〓.
    static int ToCp932(std::string_view bytes, const std::string& charset, std::string& cp932);
    // UTF-8 into code page 932; invalid sequences and characters code page
    // 932 cannot hold become 〓, and are counted.
    static int Utf8ToCp932(std::string_view utf8, std::string& cp932);
    // bytes in charset (as ToCp932 reads them) into UTF-8, a byte that is no
    // character as U+FFFD.
    static std::string ToUtf8(std::string_view bytes, const std::string& charset);
    // UTF-8 as it is, each byte that is no UTF-8 as U+FFFD.
    static std::string ValidUtf8(std::string_view bytes);
};
