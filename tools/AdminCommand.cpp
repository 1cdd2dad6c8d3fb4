#include "AdminCommand.h"

#include "AdminError.h"
#include "AdminText.h"
#include "Utf8.h"
#include "kelvoadmin.h"

void CAdminCommand::CheckStrength(const std::string& password, bool allowWeak) {
    constexpr size_t kMinimum = 8; // as the library asks of a password a person chooses
    if (!allowWeak && CUtf8::CharacterCount(password) < kMinimum)
        throw CAdminError("a password has at least " + std::to_string(kMinimum) +
                          " characters (--allow-weak lets the administrator set a shorter one)");
}

void CAdminCommand::OpenDatabase() {
    if (!kvAdminOpenDatabase())
        CAdminText::Fail("the database cannot be opened");
}
