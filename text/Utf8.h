#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 one code point at a time, for the text file's conversion and the
// folding of column names: what both need, and no more.
class CUtf8 {
public:
    // The length of the sequence that starts with byte, or 0 for a byte that
    // cannot start one.
    static size_t SequenceLength(unsigned char byte) {
        return byte < 0x80                    ? 1
               : byte >= 0xC2 && byte <= 0xDF ? 2
               : byte >= 0xE0 && byte <= 0xEF ? 3
               : byte >= 0xF0 && byte <= 0xF4 ? 4
                                              : 0;
    }
    // Decodes the sequence of length bytes at text; false when it is not valid
    // UTF-8 (a bad continuation, an overlong form, a surrogate, beyond U+10FFFF).
    // Inline: it runs once per character of a converted file.
    static bool Decode(const unsigned char* text, size_t length, uint32_t& codePoint) {
        static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (length < 1 || length > 4)
            return false;
        codePoint = length == 1 ? text[0] : text[0] & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            if ((text[i] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (text[i] & 0x3F);
        }
        return codePoint >= kMinimum[length] && codePoint <= 0x10FFFF &&
               (codePoint < 0xD800 || codePoint > 0xDFFF);
    }
    // How many characters text holds: every byte that starts a sequence (or
    // stands for none).
    static size_t CharacterCount(std::string_view text) {
        size_t count = 0;
        for (unsigned char byte : text)
            count += (byte & 0xC0) != 0x80 ? 1 : 0;
        return count;
    }
    // Appends the UTF-8 form of codePoint to out.
    static void Append(uint32_t codePoint, std::string& out);
};
