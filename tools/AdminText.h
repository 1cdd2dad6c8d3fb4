#pragma once

#include <string>

// Conversions between the terminal's UTF-8 and the groupware's code page 932,
// and the library's failure reasons, for kelvo-admin.
class CAdminText {
public:
    // what names the text in the error, e.g. "user name". Throws CAdminError
    // when the text has a character that code page 932 cannot hold.
    static std::string ToCp932(const std::string& utf8, const char* what);
    // Throws when the text needs more than width - 1 bytes.
    static std::string ToCp932Field(const std::string& utf8, const char* what, size_t width);
    // The same for a secret (a password): the message never repeats the text.
    static std::string SecretToCp932Field(const std::string& utf8, const char* what, size_t width);
    // For the terminal: control characters written as escapes (\e, \n, \t,
    // \xNN...), so that no text from a file or the database can move the
    // cursor, retitle the terminal or fake a line; with escapeBackslash the
    // backslash is doubled too (dump's reversible form).
    static std::string ToUtf8(const std::string& cp932, bool escapeBackslash = false);
    // The same for a UTF-8 text (C1 controls, which some terminals obey, as \uXXXX).
    static std::string Printable(const std::string& utf8, bool escapeBackslash = false);
    // What the entry a list of kind (KV_KIND_*) delivered last keeps beside its
    // record (UTF-8), or the empty text.
    static std::string LastOriginal(int kind);
    // A positive whole number of at most digits digits as the command line
    // gives it; else CAdminError: "\"given\" is no <what>".
    static long long PositiveNumber(const std::string& given, const char* what, size_t digits);
    // Throws CAdminError with what, followed by the library's reason when it gave one.
    [[noreturn]] static void Fail(const std::string& what);
};
