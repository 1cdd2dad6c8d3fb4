#include "Cp932.h"

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

std::string CCp932::ToUtf8(std::string_view cp932) {
    thread_local CConverter converter("UTF-8", "CP932");
    std::string utf8;
    bool ok = converter.Convert(cp932, utf8, [](char*& in, size_t& left, std::string& output) {
        // Skip a whole unmappable pair, else the single bad byte.
        size_t skip = 1;
        if (left >= 2 && CCp932::IsLeadByte(static_cast<unsigned char>(in[0])) &&
            CCp932::IsTrailByte(static_cast<unsigned char>(in[1])))
            skip = 2;
        output += "\xEF\xBF\xBD";
        in += skip;
        left -= skip;
        return true;
    });
    if (!ok)
        utf8.assign(cp932.size(), '?');
    return utf8;
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

// Unicode (the basic plane) to code page 932, 0xFFFF where it has no form:
// every code page 932 character read into Unicode, and each of those written
// back, so that the table makes the choices iconv makes among duplicates.
// Where given, exact notes the code points whose form reads back as themselves.
std::vector<uint16_t> BuildUnicodeTable(std::vector<bool>* exact = nullptr) {
    std::vector<uint16_t> table(0x10000, 0xFFFF);
    CConverter toUnicode("UTF-32LE", "CP932");
    CConverter fromUnicode("CP932", "UTF-32LE");
    auto decode = [&](const char* bytes, size_t length, uint32_t& codePoint) {
        std::string out;
        if (!toUnicode.Convert(std::string_view(bytes, length), out,
                               [](char*&, size_t&, std::string&) { return false; }) ||
            out.size() != 4)
            return false;
        codePoint = static_cast<uint32_t>(static_cast<unsigned char>(out[0])) |
                    static_cast<uint32_t>(static_cast<unsigned char>(out[1])) << 8 |
                    static_cast<uint32_t>(static_cast<unsigned char>(out[2])) << 16 |
                    static_cast<uint32_t>(static_cast<unsigned char>(out[3])) << 24;
        return true;
    };
    auto note = [&](uint32_t codePoint) {
        if (codePoint > 0xFFFF || table[codePoint] != 0xFFFF)
            return;
        char utf32[4] = {static_cast<char>(codePoint & 0xFF),
                         static_cast<char>((codePoint >> 8) & 0xFF), 0, 0};
        std::string back;
        if (!fromUnicode.Convert(std::string_view(utf32, 4), back,
                                 [](char*&, size_t&, std::string&) { return false; }))
            return;
        if (back.size() == 1)
            table[codePoint] = static_cast<unsigned char>(back[0]);
        else if (back.size() == 2)
            table[codePoint] = static_cast<uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                                     static_cast<unsigned char>(back[1]));
        if (exact != nullptr && table[codePoint] != 0xFFFF)
            (*exact)[codePoint] = true;
    };
    uint32_t codePoint = 0;
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        char single = static_cast<char>(byte);
        if (!CCp932::IsLeadByte(static_cast<unsigned char>(byte)) && decode(&single, 1, codePoint))
            note(codePoint);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!CCp932::IsLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            if (CCp932::IsTrailByte(static_cast<unsigned char>(trail)) &&
                decode(pair, 2, codePoint))
                note(codePoint);
        }
    }
    // Text from tools that follow the JIS mapping writes these few characters
    // with other code points than code page 932 reads back (the wave dash
    // above all); they are the same characters, not ones to replace.
    const std::pair<uint32_t, uint16_t> jisForms[] = {
        {0x301C, 0x8160}, {0x2016, 0x8161}, {0x2212, 0x817C}, {0x00A2, 0x8191},
        {0x00A3, 0x8192}, {0x00AC, 0x81CA}, {0x2014, 0x815C}};
    for (const auto& [unicode, code] : jisForms)
        if (table[unicode] == 0xFFFF)
            table[unicode] = code;
    return table;
}

} // namespace

int CCp932::FromCodePoint(uint32_t codePoint, char out[2]) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    static const std::vector<uint16_t> table = BuildUnicodeTable();
    if (codePoint > 0xFFFF || table[codePoint] == 0xFFFF)
        return 0;
    uint16_t code = table[codePoint];
    if (code < 0x100) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code & 0xFF);
    return 2;
}

bool CCp932::RoundTrips(uint32_t codePoint) {
    if (codePoint < 0x80)
        return true;
    static const std::vector<bool> exact = [] {
        std::vector<bool> found(0x10000, false);
        BuildUnicodeTable(&found);
        return found;
    }();
    return codePoint <= 0xFFFF && exact[codePoint];
}

size_t CCp932::CharacterCount(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count)
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            ++i;
    return count;
}
