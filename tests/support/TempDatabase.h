#pragma once

#include <string>
#include <vector>

// A fresh groupware database for one test, made the library's database
// ($KELVO_DATABASE) for the object's lifetime, on either engine:
//  - "sqlite": a file in a private folder;
//  - "postgresql": a schema of its own on the test server named by
//    $KELVO_TEST_POSTGRES (./test.sh starts one); without a server the test
//    fails, it never passes silently.
// The library is shut down and its pending monitor lines dropped at both ends.
class CTempDatabase {
public:
    explicit CTempDatabase(const std::string& engine = "sqlite");
    ~CTempDatabase();
    CTempDatabase(const CTempDatabase&) = delete;
    CTempDatabase& operator=(const CTempDatabase&) = delete;

    const std::string& Engine() const { return m_strEngine; }
    bool IsServer() const { return m_strEngine == "postgresql"; }
    // A private folder for files the test writes (on both engines).
    const std::string& Folder() const { return m_strFolder; }
    // What --database and $KELVO_DATABASE take: the file path or the URI
    // (on a server, the administrator's).
    const std::string& Path() const { return m_strLocation; }
    // What a desktop's $KELVO_DATABASE names: the file, or on a server the
    // same URI without a role (people sign in as themselves).
    std::string PeopleUri() const;

    // Runs one statement directly on the database (outside the library); the rows with
    // their cells separated by tabs. Byte columns come back as the engine
    // prints them, so compare numbers or use the library to read texts.
    std::vector<std::string> Query(const std::string& sql) const;
    // The rows of table, or -1 when it cannot be read.
    long Count(const std::string& table) const;

    // The base URI of the test server; fails the test when there is none.
    static std::string ServerUri();

private:
    std::string m_strEngine;
    std::string m_strFolder;
    std::string m_strLocation;
    std::string m_strSchema;
};
