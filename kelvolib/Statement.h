#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>

// A prepared SQLite statement that finalizes itself. Texts are bound and read
// as BLOBs: groupware texts are code page 932 bytes and compare byte-wise.
class CStatement {
public:
    CStatement() = default;
    ~CStatement();
    CStatement(CStatement&& other) noexcept;
    CStatement& operator=(CStatement&& other) noexcept;
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    // Prepares sql on db; false (with the reason in error) if it does not compile.
    bool Prepare(sqlite3* db, const char* sql, std::string& error);
    bool IsPrepared() const { return m_pStmt != nullptr; }

    // Binds a NUL-terminated text; null binds the empty text.
    void BindText(int index, const char* text);
    // Binds a record field of width bytes: the bytes before its NUL, and a field
    // without a NUL cut at a character boundary so that it fits with its NUL.
    void BindField(int index, const char* field, size_t width);
    void BindInt(int index, long long value);

    // Steps once: SQLITE_ROW, SQLITE_DONE or an error code. Once at the end it
    // stays there until Reset.
    int Step();
    // Runs a statement that returns no rows to its end and resets it.
    int Run();
    void Reset();

    int ColumnInt(int column) const;
    long long ColumnInt64(int column) const;
    // Copies a column into a field of width bytes: cut at a character boundary,
    // NUL-terminated, the rest of the field zeroed.
    void ColumnToField(int column, char* field, size_t width) const;
    std::string ColumnText(int column) const;

    sqlite3_stmt* Handle() const { return m_pStmt; }

private:
    sqlite3_stmt* m_pStmt = nullptr;
    bool m_bDone = false;
};
