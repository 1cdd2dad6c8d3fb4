#include "Utf8.h"

void CUtf8::Append(uint32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    int continuation = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[continuation] | (codePoint >> (6 * continuation)));
    for (int shift = 6 * (continuation - 1); shift >= 0; shift -= 6)
        out += static_cast<char>(0x80 | ((codePoint >> shift) & 0x3F));
}
