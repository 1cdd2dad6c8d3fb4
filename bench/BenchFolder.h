#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

// A private temporary folder for one benchmark run, made the program's INI
// location and removed at the end.
class CBenchFolder {
public:
    CBenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_strPath = pattern;
        setenv("XDG_CONFIG_HOME", m_strPath.c_str(), 1);
    }
    ~CBenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_strPath, ignored);
    }
    CBenchFolder(const CBenchFolder&) = delete;
    CBenchFolder& operator=(const CBenchFolder&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};
