#include "FieldText.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "Cp932.h"
#include "Utf8.h"

namespace {

const char kSubstitute[] = "\x81\xAC"; // 〓

} // namespace

bool CFieldText::Convert(std::string_view text, std::string& converted, int& substitutes) {
    // One pass: each character's form, or a substitute; a form that reads
    // back as another character changes the text as well.
    bool lost = false;
    converted.clear();
    converted.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data() + i);
        if (bytes[0] < 0x80) {
            // A run of ASCII in one piece.
            size_t end = i + 1;
            while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
                ++end;
            converted.append(text.data() + i, end - i);
            i = end;
            continue;
        }
        size_t length = CUtf8::SequenceLength(bytes[0]);
        uint32_t codePoint = 0;
        char out[2];
        int written = 0;
        bool exact = false;
        if (length != 0 && i + length <= text.size() && CUtf8::Decode(bytes, length, codePoint))
            written = CCp932::FromCodePoint(codePoint, out, exact);
        else
            length = 1;
        if (written > 0) {
            converted.append(out, static_cast<size_t>(written));
            lost = lost || !exact;
        } else {
            converted += kSubstitute;
            ++substitutes;
            lost = true;
        }
        i += length;
    }
    return lost;
}

CFieldText::CResult CFieldText::Put(char* field, size_t width, std::string_view text,
                                    bool unicode) {
    CResult result;
    if (width == 0)
        return result;
    thread_local std::string converted; // kept: this runs for every field read
    std::string_view cp932 = text;
    if (unicode) {
        result.lost = Convert(text, converted, result.substitutes);
        cp932 = converted;
    }
    const size_t length = CCp932::CutLength(cp932.data(), cp932.size(), width - 1);
    // A NUL inside ends the field's text as well.
    const size_t nul = cp932.substr(0, length).find('\0');
    const size_t kept = nul == std::string_view::npos ? length : nul;
    if (kept > 0)
        std::memcpy(field, cp932.data(), kept);
    field[kept] = '\0';
    result.lost = result.lost || kept < cp932.size();
    return result;
}
