#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A record's text field filled from a file's text: code page 932 as it is,
// UTF-8 converted first (a character code page 932 has no form for becomes
// 〓), then copied as kvCopyText copies (never a split character, always the
// NUL). What the field could not hold is said, so that the whole text can be
// kept beside the record (COriginal::Field).
class CFieldText {
public:
    struct CResult {
        int substitutes = 0; // characters that became 〓
        bool lost = false;   // characters lost or changed, or the text cut
    };

    // text is UTF-8 when unicode, else code page 932.
    static CResult Put(char* field, size_t width, std::string_view text, bool unicode);
    // UTF-8 into code page 932, counting the substitutes; whether characters
    // were lost or changed (a form that reads back as another character).
    static bool Convert(std::string_view utf8, std::string& cp932, int& substitutes);
};
