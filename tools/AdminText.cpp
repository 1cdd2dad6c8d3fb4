#include "AdminText.h"

#include <algorithm>
#include <cstdio>

#include "AdminError.h"
#include "Cp932.h"
#include "kelvoadmin.h"

std::string CAdminText::ToCp932(const std::string& utf8, const char* what) {
    // A NUL would end the text where the library reads it: nothing is cut silently.
    if (utf8.find('\0') != std::string::npos)
        throw CAdminError(std::string(what) + " holds a NUL character");
    std::string cp932;
    if (!CCp932::FromUtf8(utf8, cp932))
        throw CAdminError(std::string(what) + " \"" + utf8 +
                          "\" holds a character that code page 932 cannot hold");
    return cp932;
}

std::string CAdminText::ToCp932Field(const std::string& utf8, const char* what, size_t width) {
    std::string cp932 = ToCp932(utf8, what);
    if (cp932.size() >= width)
        throw CAdminError(std::string(what) + " \"" + utf8 + "\" is longer than " +
                          std::to_string(width - 1) + " bytes");
    return cp932;
}

std::string CAdminText::SecretToCp932Field(const std::string& utf8, const char* what,
                                           size_t width) {
    if (utf8.find('\0') != std::string::npos)
        throw CAdminError(std::string("the ") + what + " holds a NUL character");
    std::string cp932;
    if (!CCp932::FromUtf8(utf8, cp932))
        throw CAdminError(std::string("the ") + what +
                          " holds a character that code page 932 cannot hold");
    if (cp932.size() >= width)
        throw CAdminError(std::string("the ") + what + " is longer than " +
                          std::to_string(width - 1) + " bytes");
    return cp932;
}

std::string CAdminText::ToUtf8(const std::string& cp932, bool escapeBackslash) {
    return Printable(CCp932::ToUtf8(cp932), escapeBackslash);
}

std::string CAdminText::Printable(const std::string& utf8, bool escapeBackslash) {
    std::string printable;
    printable.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0xC2 && i + 1 < utf8.size() &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04X", static_cast<unsigned char>(utf8[++i]));
            printable += escape;
            continue;
        }
        switch (c) {
        case '\\':
            printable += escapeBackslash ? "\\\\" : "\\";
            break;
        case '\t':
            printable += "\\t";
            break;
        case '\n':
            printable += "\\n";
            break;
        case '\r':
            printable += "\\r";
            break;
        case '\x1B':
            printable += "\\e";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escape[5];
                std::snprintf(escape, sizeof(escape), "\\x%02X", byte);
                printable += escape;
            } else {
                printable += c;
            }
        }
    }
    return printable;
}

long long CAdminText::PositiveNumber(const std::string& given, const char* what, size_t digits) {
    if (given.empty() || given.size() > digits ||
        given.find_first_not_of("0123456789") != std::string::npos || std::stoll(given) <= 0)
        throw CAdminError("\"" + given + "\" is no " + what);
    return std::stoll(given);
}

void CAdminText::Fail(const std::string& what) {
    char reason[512];
    kvLastError(reason, sizeof(reason));
    if (reason[0] == '\0')
        throw CAdminError(what);
    // The library's reason may already say what failed ("user NAME cannot be
    // added: ..."): said once.
    const std::string said = ToUtf8(reason);
    std::string unquoted = what;
    unquoted.erase(std::remove(unquoted.begin(), unquoted.end(), '"'), unquoted.end());
    if (said.rfind(unquoted, 0) == 0)
        throw CAdminError(said);
    throw CAdminError(what + ": " + said);
}

std::string CAdminText::LastOriginal(int kind) {
    const int needed = kvLastOriginal(kind, nullptr, 0);
    if (needed <= 1)
        return std::string();
    std::string text(static_cast<size_t>(needed), '\0');
    if (kvLastOriginal(kind, text.data(), needed) != needed)
        return std::string();
    text.pop_back(); // the NUL
    return text;
}
