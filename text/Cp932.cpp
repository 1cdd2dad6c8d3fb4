#include "Cp932.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <utility>
#include <vector>

namespace {

// One converter per direction and thread; iconv_open is too slow to repeat per cell.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~CConverter() {
        if (m_handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_handle);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    bool IsValid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts input; on a byte sequence it cannot convert, calls onInvalid with
    // the remaining input and returns false if onInvalid returns false.
    template <typename OnInvalid>
    bool Convert(std::string_view input, std::string& output, OnInvalid onInvalid) {
        output.clear();
        if (!IsValid())
            return false;
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof(buffer);
            size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            if (result != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a sequence cut at the end of the input).
            if (!onInvalid(in, inLeft, output))
                return false;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t m_handle;
};

} // namespace

bool CCp932::FromUtf8(std::string_view utf8, std::string& cp932) {
    thread_local CConverter converter("CP932", "UTF-8");
    return converter.Convert(utf8, cp932, [](char*&, size_t&, std::string&) { return false; });
}

namespace {

// Code page 932 to Unicode, as iconv reads it, for a lookup per character:
// iconv costs some two thousand instructions a call, and every kept text and
// every list cell goes through here. Index: a single byte as itself, a pair
// as lead << 8 | trail; 0 where iconv reads nothing (ASCII is handled apart).
std::vector<uint16_t> BuildCodeTable() {
    std::vector<uint16_t> table(0x10000, 0);
    CConverter toUnicode("UTF-16LE", "CP932");
    // A row at a time: every code page 932 character is one UTF-16 unit, and
    // one it cannot read becomes a 0 in its place.
    auto readRow = [&](const std::string& row, size_t width, unsigned first) {
        std::string out;
        toUnicode.Convert(row, out, [width](char*& in, size_t& left, std::string& output) {
            output.append(2, '\0');
            const size_t skip = std::min(width, left);
            in += skip;
            left -= skip;
            return true;
        });
        for (size_t k = 0; k + 1 < out.size() && k / 2 * width < row.size(); k += 2)
            table[first + k / 2] = static_cast<uint16_t>(
                static_cast<unsigned char>(out[k]) | static_cast<unsigned char>(out[k + 1]) << 8);
    };
    std::string singles;
    for (unsigned byte = 0x80; byte < 0x100; ++byte)
        singles +=
            static_cast<char>(CCp932::IsLeadByte(static_cast<unsigned char>(byte)) ? 0 : byte);
    readRow(singles, 1, 0x80);
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!CCp932::IsLeadByte(static_cast<unsigned char>(lead)))
            continue;
        std::string row;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            row.append({static_cast<char>(lead),
                        static_cast<char>(CCp932::IsTrailByte(trail) ? trail : 0x40)});
        readRow(row, 2, lead << 8 | 0x40);
    }
    // What stood for lead bytes and for bytes no character ends with reads nothing.
    for (unsigned byte = 0x80; byte < 0x100; ++byte)
        if (CCp932::IsLeadByte(static_cast<unsigned char>(byte)))
            table[byte] = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            if (!CCp932::IsTrailByte(static_cast<unsigned char>(trail)))
                table[lead << 8 | trail] = 0;
    return table;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

const std::vector<uint16_t>& CodeTable() {
    static const std::vector<uint16_t> table = BuildCodeTable();
    return table;
}

} // namespace

std::string CCp932::ToUtf8(std::string_view cp932) {
    const std::vector<uint16_t>& table = CodeTable();
    std::string utf8;
    utf8.reserve(cp932.size() + cp932.size() / 2);
    for (size_t i = 0; i < cp932.size();) {
        const auto byte = static_cast<unsigned char>(cp932[i]);
        if (byte < 0x80) { // ASCII reads as itself
            utf8 += static_cast<char>(byte);
            ++i;
            continue;
        }
        uint16_t codePoint = 0;
        size_t length = 1;
        if (IsLeadByte(byte)) {
            if (i + 1 < cp932.size()) {
                const auto trail = static_cast<unsigned char>(cp932[i + 1]);
                codePoint = table[byte << 8 | trail];
                // A whole unmappable pair is skipped, else the single bad byte.
                if (codePoint != 0 || IsTrailByte(trail))
                    length = 2;
            }
        } else {
            codePoint = table[byte];
        }
        if (codePoint != 0)
            AppendUtf8(utf8, codePoint);
        else
            utf8 += "\xEF\xBF\xBD";
        i += length;
    }
    return utf8;
}

bool CCp932::Reads(std::string_view cp932) {
    const std::vector<uint16_t>& table = CodeTable();
    for (size_t i = 0; i < cp932.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp932[i]);
        if (byte < 0x80)
            continue;
        uint16_t codePoint = 0;
        if (IsLeadByte(byte) && i + 1 < cp932.size())
            codePoint = table[byte << 8 | static_cast<unsigned char>(cp932[++i])];
        else if (!IsLeadByte(byte))
            codePoint = table[byte];
        if (codePoint == 0 || (codePoint >= 0xE000 && codePoint <= 0xF8FF))
            return false;
    }
    return true;
}

bool CCp932::CharsetToUtf8(std::string_view bytes, const std::string& charset, std::string& utf8) {
    CConverter converter("UTF-8", charset.c_str());
    if (!converter.IsValid())
        return false;
    converter.Convert(bytes, utf8, [](char*& in, size_t& left, std::string& output) {
        output += "\xEF\xBF\xBD"; // a byte the set does not have
        ++in;
        --left;
        return true;
    });
    return true;
}

std::string CCp932::FromSystem(std::string_view text) {
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80;
    if (ascii)
        return std::string(text);
    std::string checked;
    thread_local CConverter validator("UTF-8", "UTF-8");
    const bool utf8 =
        validator.Convert(text, checked, [](char*&, size_t&, std::string&) { return false; });
    CConverter converter("CP932", utf8 ? "UTF-8" : nl_langinfo(CODESET));
    std::string cp932;
    bool ok = converter.Convert(text, cp932, [&](char*& in, size_t& left, std::string& output) {
        // A character CP932 lacks is one 〓; a byte that is no character, "?".
        size_t skip = 1;
        if (utf8) {
            unsigned char lead = static_cast<unsigned char>(in[0]);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            skip = skip > left ? left : skip;
        }
        output += skip > 1 ? "\x81\xAC" : "?";
        in += skip;
        left -= skip;
        return true;
    });
    return ok ? cp932 : std::string(text.size(), '?');
}

namespace {

// Each double-byte code whose character has another code, and that one (the
// one the conversion from Unicode writes); built once from the converters.
class CCanonicalCodes {
public:
    CCanonicalCodes() : m_codes(0x10000, 0) {
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!CCp932::IsLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!CCp932::IsTrailByte(static_cast<unsigned char>(trail)))
                    continue;
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string utf8 = CCp932::ToUtf8(std::string_view(code, 2)), back;
                if (utf8 == "\xEF\xBF\xBD" || !CCp932::FromUtf8(utf8, back) || back.size() != 2)
                    continue;
                const unsigned canonical = (static_cast<unsigned char>(back[0]) << 8) |
                                           static_cast<unsigned char>(back[1]);
                if (canonical != ((lead << 8) | trail)) {
                    m_codes[(lead << 8) | trail] = static_cast<uint16_t>(canonical);
                    m_leads[lead] = true;
                }
            }
        }
    }
    bool MayMap(unsigned char lead) const { return m_leads[lead]; }
    uint16_t Map(unsigned code) const { return m_codes[code]; }

private:
    std::vector<uint16_t> m_codes; // 0: the code is canonical itself
    bool m_leads[256] = {};
};

} // namespace

void CCp932::AppendCanonical(std::string& out, const char* text, size_t length) {
    static const CCanonicalCodes codes;
    size_t start = 0;
    for (size_t i = 0; i < length;) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!IsLeadByte(lead) || i + 1 >= length) {
            ++i;
            continue;
        }
        if (codes.MayMap(lead)) {
            const unsigned code = (lead << 8) | static_cast<unsigned char>(text[i + 1]);
            if (uint16_t canonical = codes.Map(code)) {
                out.append(text + start, i - start);
                out += static_cast<char>(canonical >> 8);
                out += static_cast<char>(canonical & 0xFF);
                start = i + 2;
            }
        }
        i += 2;
    }
    out.append(text + start, length - start);
}

size_t CCp932::FieldLength(const char* field, size_t width) {
    if (field == nullptr)
        return 0;
    const void* nul = std::memchr(field, '\0', width);
    return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
}

size_t CCp932::CutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit)
        return length;
    size_t position = 0;
    while (position < limit) {
        size_t step = IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
        if (position + step > limit)
            break;
        position += step;
    }
    return position;
}

bool CCp932::CopyText(char* field, const char* text, int fieldSize) {
    if (field == nullptr || fieldSize <= 0)
        return false;
    size_t limit = static_cast<size_t>(fieldSize) - 1;
    size_t length = 0;
    // Walk character by character so that a double-byte character that does not
    // fit, or a lead byte whose partner is missing, is left out whole.
    while (text != nullptr && text[length] != '\0') {
        bool lead = IsLeadByte(static_cast<unsigned char>(text[length]));
        if (lead && text[length + 1] == '\0')
            break;
        size_t step = lead ? 2 : 1;
        if (length + step > limit)
            break;
        length += step;
    }
    if (length > 0)
        std::memmove(field, text, length);
    field[length] = '\0';
    return true;
}

namespace {

// Unicode (the basic plane) to code page 932: every code point a code page
// 932 character reads as, written back by iconv in one call, so that the
// table makes the choices iconv makes among duplicates. Those forms read back
// as their code points (exact); the JIS mapping's few are added apart.
struct CForms {
    std::vector<uint16_t> code = std::vector<uint16_t>(0x10000, 0xFFFF);
    std::vector<uint8_t> exact = std::vector<uint8_t>(0x10000, 0);
};

CForms BuildForms() {
    CForms forms;
    const std::vector<uint16_t>& reading = CodeTable();
    std::vector<uint16_t> points;
    std::vector<bool> seen(0x10000, false);
    for (unsigned code = 0x80; code < 0x10000; ++code) {
        const uint16_t point = reading[code];
        if (point >= 0x80 && !seen[point]) {
            seen[point] = true;
            points.push_back(point);
        }
    }
    std::string utf16;
    for (uint16_t point : points)
        utf16.append({static_cast<char>(point & 0xFF), static_cast<char>(point >> 8)});
    // One that cannot be written (none should) becomes a NUL in its place.
    std::string written;
    CConverter fromUnicode("CP932", "UTF-16LE");
    fromUnicode.Convert(utf16, written, [](char*& in, size_t& left, std::string& output) {
        output += '\0';
        const size_t skip = std::min<size_t>(2, left);
        in += skip;
        left -= skip;
        return true;
    });
    size_t at = 0;
    for (uint16_t point : points) {
        if (at >= written.size())
            break;
        const auto first = static_cast<unsigned char>(written[at]);
        if (CCp932::IsLeadByte(first) && at + 1 < written.size()) {
            forms.code[point] =
                static_cast<uint16_t>(first << 8 | static_cast<unsigned char>(written[at + 1]));
            at += 2;
        } else {
            if (first != 0)
                forms.code[point] = first;
            ++at;
        }
        forms.exact[point] = forms.code[point] != 0xFFFF;
    }
    // Text from tools that follow the JIS mapping writes these few characters
    // with other code points than code page 932 reads back (the wave dash
    // above all); they are the same characters, not ones to replace.
    const std::pair<uint32_t, uint16_t> jisForms[] = {
        {0x301C, 0x8160}, {0x2016, 0x8161}, {0x2212, 0x817C}, {0x00A2, 0x8191},
        {0x00A3, 0x8192}, {0x00AC, 0x81CA}, {0x2014, 0x815C}};
    for (const auto& [unicode, code] : jisForms)
        if (forms.code[unicode] == 0xFFFF)
            forms.code[unicode] = code;
    return forms;
}

const CForms& Forms() {
    static const CForms forms = BuildForms();
    return forms;
}

} // namespace

int CCp932::FromCodePoint(uint32_t codePoint, char out[2]) {
    bool exact = false;
    return FromCodePoint(codePoint, out, exact);
}

int CCp932::FromCodePoint(uint32_t codePoint, char out[2], bool& exact) {
    exact = true;
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    const CForms& forms = Forms();
    exact = false;
    if (codePoint > 0xFFFF || forms.code[codePoint] == 0xFFFF)
        return 0;
    exact = forms.exact[codePoint] != 0;
    const uint16_t code = forms.code[codePoint];
    if (code < 0x100) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code & 0xFF);
    return 2;
}

bool CCp932::RoundTrips(uint32_t codePoint) {
    return codePoint < 0x80 || (codePoint <= 0xFFFF && Forms().exact[codePoint] != 0);
}

size_t CCp932::CharacterCount(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count)
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            ++i;
    return count;
}
