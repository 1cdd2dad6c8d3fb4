#include "PasswordVerifier.h"

#include <cstdlib>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <vector>

#include "Cp932.h"
#include "SaslPrep.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr char kPrefix[] = "SCRAM-SHA-256$";
constexpr size_t kKeySize = SHA256_DIGEST_LENGTH;
constexpr size_t kSaltSize = 16;

std::string Base64(const Bytes& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                 static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(length));
    return out;
}

bool FromBase64(const std::string& text, Bytes& bytes) {
    if (text.empty() || text.size() % 4 != 0)
        return false;
    bytes.assign(text.size() / 4 * 3, 0);
    int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                 static_cast<int>(text.size()));
    if (length < 0)
        return false;
    // EVP_DecodeBlock counts the padding's bytes as data.
    size_t padding = text.back() == '=' ? (text[text.size() - 2] == '=' ? 2 : 1) : 0;
    bytes.resize(static_cast<size_t>(length) - padding);
    return true;
}

bool Hmac(const Bytes& key, const char* text, Bytes& out) {
    out.assign(kKeySize, 0);
    unsigned length = 0;
    return HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
                reinterpret_cast<const unsigned char*>(text), std::char_traits<char>::length(text),
                out.data(), &length) != nullptr &&
           length == kKeySize;
}

// StoredKey and ServerKey of password with salt and iterations (RFC 5802).
bool Keys(const std::string& input, const Bytes& salt, int iterations, Bytes& storedKey,
          Bytes& serverKey) {
    Bytes salted(kKeySize), clientKey;
    if (PKCS5_PBKDF2_HMAC(input.data(), static_cast<int>(input.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(kKeySize), salted.data()) != 1)
        return false;
    bool ok = Hmac(salted, "Client Key", clientKey) && Hmac(salted, "Server Key", serverKey);
    storedKey.assign(kKeySize, 0);
    ok = ok && SHA256(clientKey.data(), clientKey.size(), storedKey.data()) != nullptr;
    OPENSSL_cleanse(salted.data(), salted.size());
    OPENSSL_cleanse(clientKey.data(), clientKey.size());
    return ok;
}

struct CParsed {
    int iterations = 0;
    Bytes salt, storedKey, serverKey;
};

bool Parse(const std::string& verifier, CParsed& parsed) {
    if (verifier.compare(0, sizeof(kPrefix) - 1, kPrefix) != 0)
        return false;
    size_t colon = verifier.find(':', sizeof(kPrefix) - 1);
    size_t dollar = verifier.find('$', sizeof(kPrefix) - 1);
    size_t keys = dollar == std::string::npos ? dollar : verifier.find(':', dollar);
    if (colon == std::string::npos || dollar == std::string::npos || keys == std::string::npos ||
        colon > dollar)
        return false;
    std::string count = verifier.substr(sizeof(kPrefix) - 1, colon - (sizeof(kPrefix) - 1));
    char* end = nullptr;
    long iterations = std::strtol(count.c_str(), &end, 10);
    if (count.empty() || *end != '\0' || iterations < 1 || iterations > 100000000)
        return false;
    parsed.iterations = static_cast<int>(iterations);
    return FromBase64(verifier.substr(colon + 1, dollar - colon - 1), parsed.salt) &&
           FromBase64(verifier.substr(dollar + 1, keys - dollar - 1), parsed.storedKey) &&
           FromBase64(verifier.substr(keys + 1), parsed.serverKey) &&
           parsed.storedKey.size() == kKeySize && parsed.serverKey.size() == kKeySize;
}

} // namespace

std::string CPasswordVerifier::ScramInput(const std::string& cp932Password) {
    // libpq sends no empty password, so the empty one is hashed, on both
    // engines, as a text no password can be: passwords hold no control
    // characters (HasControl).
    if (cp932Password.empty())
        return std::string(1, '\x01');
    return CSaslPrep::Prepare(CCp932::ToUtf8(cp932Password));
}

bool CPasswordVerifier::Make(const std::string& cp932Password, std::string& verifier) {
    Bytes salt(kSaltSize), storedKey, serverKey;
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1 ||
        !Keys(ScramInput(cp932Password), salt, kIterations, storedKey, serverKey))
        return false;
    verifier = std::string(kPrefix) + std::to_string(kIterations) + ":" + Base64(salt) + "$" +
               Base64(storedKey) + ":" + Base64(serverKey);
    return true;
}

bool CPasswordVerifier::MakeWith(const std::string& cp932Password, const std::string& roundsAndSalt,
                                 std::string& verifier) {
    // "4096:<salt>", as a verifier holds them between "SCRAM-SHA-256$" and "$".
    size_t colon = roundsAndSalt.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string count = roundsAndSalt.substr(0, colon);
    char* end = nullptr;
    long iterations = std::strtol(count.c_str(), &end, 10);
    Bytes salt, storedKey, serverKey;
    if (count.empty() || *end != '\0' || iterations < 1 || iterations > 100000000 ||
        !FromBase64(roundsAndSalt.substr(colon + 1), salt) ||
        !Keys(ScramInput(cp932Password), salt, static_cast<int>(iterations), storedKey, serverKey))
        return false;
    verifier = std::string(kPrefix) + count + ":" + roundsAndSalt.substr(colon + 1) + "$" +
               Base64(storedKey) + ":" + Base64(serverKey);
    return true;
}

bool CPasswordVerifier::IsVerifier(const std::string& text) {
    CParsed parsed;
    return Parse(text, parsed);
}

bool CPasswordVerifier::Check(const std::string& verifier, const std::string& cp932Password) {
    CParsed parsed;
    bool valid = Parse(verifier, parsed);
    if (!valid) {
        // No verifier (no such user): the same work against a fixed one.
        parsed.iterations = kIterations;
        parsed.salt.assign(kSaltSize, 0x5A);
        parsed.storedKey.assign(kKeySize, 0);
        parsed.serverKey.assign(kKeySize, 0);
    }
    Bytes storedKey, serverKey;
    if (!Keys(ScramInput(cp932Password), parsed.salt, parsed.iterations, storedKey, serverKey))
        return false;
    bool same = CRYPTO_memcmp(storedKey.data(), parsed.storedKey.data(), kKeySize) == 0 &&
                CRYPTO_memcmp(serverKey.data(), parsed.serverKey.data(), kKeySize) == 0;
    return valid && same;
}

bool CPasswordVerifier::HasControl(const std::string& cp932Password) {
    for (unsigned char c : cp932Password)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}
