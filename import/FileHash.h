#pragma once

#include <string>

// What identifies the file an import read, for its record: its size and its
// SHA-256 (OpenSSL's), read once through before the import reads it.
class CFileHash {
public:
    // False (hex left empty) when path cannot be read.
    static bool Sha256(const std::string& path, std::string& hex, long long& size);
};
