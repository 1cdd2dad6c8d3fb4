#pragma once

#include <string>
#include <string_view>

// What identifies the file an import read, for its record: its size and its
// SHA-256 (OpenSSL's), read once through before the import reads it.
class CFileHash {
public:
    // False (hex left empty) when path cannot be read.
    static bool Sha256(const std::string& path, std::string& hex, long long& size);
    // The SHA-256 of text held in memory, in hex.
    static std::string Sha256Text(std::string_view text);

private:
    static std::string Hex(const unsigned char* bytes, unsigned int length);
};
