#include "FileHash.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <vector>

bool CFileHash::Sha256(const std::string& path, std::string& hex, long long& size) {
    hex.clear();
    size = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!file || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return false;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), got) != 1)
            return false;
        size += static_cast<long long>(got);
        if (got < buffer.size())
            break;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (std::ferror(file.get()) || EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return false;
    hex = Hex(digest, length);
    return true;
}

std::string CFileHash::Sha256Text(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return std::string();
    return Hex(digest, length);
}

std::string CFileHash::Hex(const unsigned char* bytes, unsigned int length) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i)
        hex += std::string{kHex[bytes[i] >> 4], kHex[bytes[i] & 15]};
    return hex;
}
