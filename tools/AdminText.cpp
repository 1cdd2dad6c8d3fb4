#include "AdminText.h"

#include "kelvoadmin.h"

#include "AdminError.h"
#include "Cp932.h"

std::string CAdminText::ToCp932(const std::string& utf8, const char* what) {
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
    std::string cp932;
    if (!CCp932::FromUtf8(utf8, cp932))
        throw CAdminError(std::string("the ") + what +
                          " holds a character that code page 932 cannot hold");
    if (cp932.size() >= width)
        throw CAdminError(std::string("the ") + what + " is longer than " +
                          std::to_string(width - 1) + " bytes");
    return cp932;
}

std::string CAdminText::ToUtf8(const std::string& cp932) {
    return CCp932::ToUtf8(cp932);
}

void CAdminText::Fail(const std::string& what) {
    char reason[512];
    kvLastError(reason, sizeof(reason));
    if (reason[0] == '\0')
        throw CAdminError(what);
    throw CAdminError(what + ": " + ToUtf8(reason));
}
