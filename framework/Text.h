#pragma once

#include <QString>

#include <string>

// Groupware texts are code page 932 bytes; widgets show QStrings. These are
// the only crossings between the two.
class CText {
public:
    // Bytes that are not code page 932 show as U+FFFD.
    static QString FromCp932(const std::string& cp932);
    static QString FromCp932(const char* cp932, size_t length);
    // False when text holds a character code page 932 cannot hold.
    static bool ToCp932(const QString& text, std::string& cp932);
};
