#include "DavSignIn.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include "Cp932.h"
#include "FileHash.h"
#include "kelvo.h"

CDavSignIn::CDavSignIn() {
    unsigned char salt[32];
    if (RAND_bytes(salt, sizeof salt) == 1)
        m_strSalt.assign(reinterpret_cast<const char*>(salt), sizeof salt);
}

bool CDavSignIn::SignIn(const std::string& user, const std::string& password, std::string& owner,
                        std::string& failure) {
    failure.clear();
    std::string cp932Password;
    if (!CCp932::FromUtf8(user, owner) || !CCp932::FromUtf8(password, cp932Password) ||
        owner.empty() || owner.size() >= 100 || cp932Password.size() >= KV_PASSWORD_SIZE ||
        m_strSalt.empty())
        return false;
    std::string material = m_strSalt + owner + '\0' + cp932Password;
    const std::string key = CFileHash::Sha256Text(material);
    OPENSSL_cleanse(material.data(), material.size());
    const std::time_t now = std::time(nullptr);
    if (!key.empty() && key == m_strKey && now - m_verified < kSessionSeconds) {
        OPENSSL_cleanse(cp932Password.data(), cp932Password.size());
        return true;
    }
    m_strKey.clear();
    const bool signedIn = kvCheckPassword(owner.c_str(), cp932Password.c_str()) != 0;
    OPENSSL_cleanse(cp932Password.data(), cp932Password.size());
    if (!signedIn) {
        char reason[KV_MONITOR_LINE_SIZE] = {};
        kvLastError(reason, sizeof reason);
        failure = reason;
        return false;
    }
    m_strKey = key;
    m_verified = now;
    return true;
}
