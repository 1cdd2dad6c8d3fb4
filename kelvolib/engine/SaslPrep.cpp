#include "SaslPrep.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <vector>

namespace {

struct CRange {
    UChar32 first, last;
};

bool InRanges(UChar32 c, const CRange* ranges, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (c >= ranges[i].first && c <= ranges[i].last)
            return true;
    return false;
}

// RFC 3454 C.1.2: mapped to SPACE.
const CRange kNonAsciiSpaces[] = {{0x00A0, 0x00A0}, {0x1680, 0x1680}, {0x2000, 0x200B},
                                  {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000}};
// RFC 3454 B.1: mapped to nothing.
const CRange kMappedToNothing[] = {{0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x1806, 0x1806},
                                   {0x180B, 0x180D}, {0x200B, 0x200D}, {0x2060, 0x2060},
                                   {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}};
// RFC 3454 C.1.2 to C.9: prohibited in the prepared text. The unassigned code
// points (A.1) and the bidirectional rule need no check here: passwords come
// from code page 932, whose characters are all assigned in Unicode 3.2 and
// none of which is written right to left.
const CRange kProhibited[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00A0, 0x00A0},   {0x0340, 0x0341},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x1680, 0x1680},   {0x180E, 0x180E},
    {0x2000, 0x200F},   {0x2028, 0x202F},   {0x205F, 0x2063},   {0x206A, 0x206F},
    {0x2FF0, 0x2FFB},   {0x3000, 0x3000},   {0xD800, 0xF8FF},   {0xFDD0, 0xFDEF},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFF},   {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F}, {0xF0000, 0x10FFFF}};

template <size_t N> bool In(UChar32 c, const CRange (&ranges)[N]) {
    return InRanges(c, ranges, N);
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::string CSaslPrep::Prepare(const std::string& utf8) {
    // An ASCII password is used as it is.
    if (IsAscii(utf8))
        return utf8;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return utf8; // not UTF-8: hashed as it is
    std::vector<UChar> wide(static_cast<size_t>(length) + 1);
    status = U_ZERO_ERROR;
    u_strFromUTF8(wide.data(), length + 1, &length, utf8.data(), static_cast<int32_t>(utf8.size()),
                  &status);
    if (U_FAILURE(status))
        return utf8;

    std::vector<UChar> mapped;
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(wide.data(), i, length, c);
        if (In(c, kNonAsciiSpaces))
            c = 0x20;
        else if (In(c, kMappedToNothing))
            continue;
        UChar units[2];
        int32_t n = 0;
        U16_APPEND_UNSAFE(units, n, c);
        mapped.insert(mapped.end(), units, units + n);
    }

    const UNormalizer2* nfkc = unorm2_getNFKCInstance(&status);
    if (U_FAILURE(status))
        return utf8;
    int32_t capacity = static_cast<int32_t>(mapped.size()) * 4 + 16;
    std::vector<UChar> normal(static_cast<size_t>(capacity));
    int32_t normalLength = unorm2_normalize(
        nfkc, mapped.data(), static_cast<int32_t>(mapped.size()), normal.data(), capacity, &status);
    if (U_FAILURE(status))
        return utf8;
    for (int32_t i = 0; i < normalLength;) {
        UChar32 c;
        U16_NEXT(normal.data(), i, normalLength, c);
        if (In(c, kProhibited))
            return utf8;
    }
    if (normalLength == 0)
        return utf8;

    int32_t outLength = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &outLength, normal.data(), normalLength, &status);
    std::string out(static_cast<size_t>(outLength), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), outLength, &outLength, normal.data(), normalLength, &status);
    return U_FAILURE(status) ? utf8 : out;
}
