#include "HeaderName.h"

#include <cstdint>
#include <vector>

#include "Cp932.h"
#include "Utf8.h"

namespace {

// U+FF61 to U+FF9F in full width, in order.
const char32_t kFullWidth[] =
    U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト"
    U"ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";

// Each code point of text; a sequence that is not UTF-8 becomes U+FFFD.
std::vector<char32_t> Decode(const std::string& utf8) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::vector<char32_t> text;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = CUtf8::SequenceLength(bytes[i]);
        uint32_t codePoint = 0;
        if (length == 0 || i + length > utf8.size() ||
            !CUtf8::Decode(bytes + i, length, codePoint)) {
            codePoint = 0xFFFD;
            length = 1;
        }
        text.push_back(codePoint);
        i += length;
    }
    return text;
}

// The kana that a voiced (゛) or semi-voiced (゜) sound mark turns kana into,
// or 0 when the mark does not join it.
char32_t Joined(char32_t kana, bool semiVoiced) {
    if (kana == U'ウ' && !semiVoiced)
        return U'ヴ';
    // カ to ト: the voiced kana follows each plain one.
    static const char32_t kPlain[] = U"カキクケコサシスセソタチツテト";
    for (char32_t plain : kPlain)
        if (plain != 0 && kana == plain && !semiVoiced)
            return kana + 1;
    // ハ to ホ: voiced one after, semi-voiced two after.
    static const char32_t kH[] = U"ハヒフヘホ";
    for (char32_t plain : kH)
        if (plain != 0 && kana == plain)
            return kana + (semiVoiced ? 2 : 1);
    return 0;
}

} // namespace

std::string CHeaderName::FoldUtf8(const std::string& utf8) {
    std::vector<char32_t> text = Decode(utf8);
    std::vector<char32_t> folded;
    for (char32_t c : text) {
        if (c >= 0xFF61 && c <= 0xFF9F) {
            char32_t full = kFullWidth[c - 0xFF61];
            bool mark = c == 0xFF9E || c == 0xFF9F;
            if (mark && !folded.empty()) {
                char32_t joined = Joined(folded.back(), c == 0xFF9F);
                if (joined != 0) {
                    folded.back() = joined;
                    continue;
                }
            }
            folded.push_back(full);
        } else if (c >= 0xFF01 && c <= 0xFF5E) {
            folded.push_back(c - 0xFF01 + 0x21);
        } else if (c == 0x3000) {
            folded.push_back(U' ');
        } else {
            folded.push_back(c);
        }
    }
    size_t start = 0, end = folded.size();
    auto trimmed = [](char32_t c) { return c == U' ' || c == U'"' || c == U'\t'; };
    while (start < end && trimmed(folded[start]))
        ++start;
    while (end > start && trimmed(folded[end - 1]))
        --end;
    // Latin letters in either case (other programs write "E-mail" and "E-Mail").
    std::string out;
    for (size_t i = start; i < end; ++i)
        CUtf8::Append(folded[i] >= U'A' && folded[i] <= U'Z' ? folded[i] + 0x20 : folded[i], out);
    return out;
}

std::string CHeaderName::Fold(const std::string& cp932) {
    return FoldUtf8(CCp932::ToUtf8(cp932));
}
