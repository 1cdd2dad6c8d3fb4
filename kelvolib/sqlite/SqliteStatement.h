#pragma once

#include <sqlite3.h>
#include <string>

#include "Statement.h"

// A prepared SQLite statement that finalizes itself.
class CSqliteStatement : public CStatement {
public:
    CSqliteStatement(sqlite3* db, sqlite3_stmt* statement) : m_pDb(db), m_pStmt(statement) {}
    ~CSqliteStatement() override;
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    void BindText(int index, const char* text) override;
    void BindBytes(int index, const char* data, size_t length) override;
    void BindInt(int index, long long value) override;
    Result Step() override;
    bool Run() override;
    bool Queue() override { return Run(); }
    void Reset() override;
    long long Changes() const override { return m_nChanges; }
    long long ColumnInt64(int column) const override;
    const char* ColumnData(int column, size_t& length) const override;
    bool ColumnIsInt(int column) const override;
    int ColumnCount() const override;

private:
    sqlite3* m_pDb;
    sqlite3_stmt* m_pStmt;
    bool m_bDone = false;
    long long m_nChanges = 0;
};
