#include "PropertyText.h"

#include "Cp932.h"
#include "Utf8.h"

namespace {

const char kSubstitute[] = "\x81\xAC"; // 〓

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool SameName(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if ((a[i] >= 'a' && a[i] <= 'z' ? a[i] - 'a' + 'A' : a[i]) != b[i])
            return false;
    return i == a.size() && b[i] == '\0';
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = CUtf8::SequenceLength(static_cast<unsigned char>(text[i]));
        uint32_t codePoint = 0;
        if (length == 0 || i + length > text.size() ||
            !CUtf8::Decode(reinterpret_cast<const unsigned char*>(text.data() + i), length,
                           codePoint))
            return false;
        i += length;
    }
    return true;
}

} // namespace

std::string CPropertyText::DecodeQuotedPrintable(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
            Hex(text[i + 2]) >= 0) {
            bytes += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

std::string CPropertyText::DecodeBase64(std::string_view text) {
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        int value = c >= 'A' && c <= 'Z'   ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+'             ? 62
                    : c == '/'             ? 63
                                           : -1;
        if (value < 0)
            continue; // padding, blanks
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

int CPropertyText::Utf8ToCp932(std::string_view utf8, std::string& cp932) {
    int substitutes = 0;
    cp932.clear();
    cp932.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto* text = reinterpret_cast<const unsigned char*>(utf8.data() + i);
        size_t length = CUtf8::SequenceLength(text[0]);
        uint32_t codePoint = 0;
        if (length == 1) {
            cp932 += static_cast<char>(text[0]);
            ++i;
            continue;
        }
        char out[2];
        int written = 0;
        if (length != 0 && i + length <= utf8.size() && CUtf8::Decode(text, length, codePoint))
            written = CCp932::FromCodePoint(codePoint, out);
        else
            length = 1;
        if (written > 0) {
            cp932.append(out, static_cast<size_t>(written));
        } else {
            cp932 += kSubstitute;
            ++substitutes;
        }
        i += length;
    }
    return substitutes;
}

bool CPropertyText::IsCp932Name(const std::string& charset) {
    return SameName(charset, "SHIFT_JIS") || SameName(charset, "SHIFT-JIS") ||
           SameName(charset, "SJIS") || SameName(charset, "CP932") ||
           SameName(charset, "WINDOWS-31J") || SameName(charset, "MS_KANJI");
}

int CPropertyText::ToCp932(std::string_view bytes, const std::string& charset, std::string& cp932) {
    if (IsCp932Name(charset) || (charset.empty() && !IsValidUtf8(bytes))) {
        cp932.assign(bytes);
        return 0;
    }
    if (charset.empty() || SameName(charset, "UTF-8") || SameName(charset, "US-ASCII") ||
        SameName(charset, "ASCII"))
        return Utf8ToCp932(bytes, cp932);
    std::string utf8;
    if (!CCp932::CharsetToUtf8(bytes, charset, utf8))
        utf8.assign(bytes); // a set nobody knows: read as UTF-8, what cannot be is replaced
    return Utf8ToCp932(utf8, cp932);
}

std::string CPropertyText::ValidUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    std::string utf8;
    for (size_t i = 0; i < bytes.size();) {
        size_t length = CUtf8::SequenceLength(static_cast<unsigned char>(bytes[i]));
        uint32_t codePoint = 0;
        if (length == 0 || i + length > bytes.size() ||
            !CUtf8::Decode(reinterpret_cast<const unsigned char*>(bytes.data() + i), length,
                           codePoint)) {
            utf8 += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        utf8.append(bytes, i, length);
        i += length;
    }
    return utf8;
}

std::string CPropertyText::ToUtf8(std::string_view bytes, const std::string& charset) {
    if (IsCp932Name(charset) || (charset.empty() && !IsValidUtf8(bytes)))
        return CCp932::ToUtf8(bytes);
    if (charset.empty() || SameName(charset, "UTF-8") || SameName(charset, "US-ASCII") ||
        SameName(charset, "ASCII"))
        return ValidUtf8(bytes);
    std::string utf8;
    if (!CCp932::CharsetToUtf8(bytes, charset, utf8))
        return ValidUtf8(bytes); // a set nobody knows: read as UTF-8
    return utf8;
}
