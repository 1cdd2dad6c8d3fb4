#pragma once

#include <string>

// A private folder with a groupware database path in it, made the library's
// database ($KELVO_DATABASE) for the object's lifetime. The library is shut
// down and its pending monitor lines dropped at both ends, so each test starts
// on a new, empty database.
class CTempDatabase {
public:
    CTempDatabase();
    ~CTempDatabase();
    CTempDatabase(const CTempDatabase&) = delete;
    CTempDatabase& operator=(const CTempDatabase&) = delete;

    const std::string& Folder() const { return m_strFolder; }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strFolder;
    std::string m_strPath;
};
