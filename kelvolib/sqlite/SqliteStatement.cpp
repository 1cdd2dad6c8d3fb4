#include "SqliteStatement.h"

#include <cstring>

CSqliteStatement::~CSqliteStatement() {
    sqlite3_finalize(m_pStmt);
}

void CSqliteStatement::BindText(int index, const char* text) {
    if (text == nullptr)
        text = "";
    sqlite3_bind_blob(m_pStmt, index, text, static_cast<int>(std::strlen(text)), SQLITE_TRANSIENT);
}

void CSqliteStatement::BindBytes(int index, const char* data, size_t length) {
    // SQLITE_STATIC: the caller's record outlives the statement's next step.
    sqlite3_bind_blob(m_pStmt, index, data != nullptr ? data : "", static_cast<int>(length),
                      SQLITE_STATIC);
}

void CSqliteStatement::BindInt(int index, long long value) {
    sqlite3_bind_int64(m_pStmt, index, value);
}

CStatement::Result CSqliteStatement::Step() {
    // SQLite would start over on a step after the end; an enumeration stays at its end.
    if (m_bDone)
        return Result::Done;
    int result = sqlite3_step(m_pStmt);
    if (result == SQLITE_ROW)
        return Result::Row;
    m_bDone = result == SQLITE_DONE;
    return m_bDone ? Result::Done : Result::Error;
}

bool CSqliteStatement::Run() {
    int result = sqlite3_step(m_pStmt);
    m_nChanges = result == SQLITE_DONE || result == SQLITE_ROW ? sqlite3_changes(m_pDb) : 0;
    sqlite3_reset(m_pStmt);
    m_bDone = false;
    return result == SQLITE_DONE || result == SQLITE_ROW;
}

void CSqliteStatement::Reset() {
    m_bDone = false;
    sqlite3_reset(m_pStmt);
}

long long CSqliteStatement::ColumnInt64(int column) const {
    return sqlite3_column_int64(m_pStmt, column);
}

const char* CSqliteStatement::ColumnData(int column, size_t& length) const {
    const char* data = static_cast<const char*>(sqlite3_column_blob(m_pStmt, column));
    length = data != nullptr ? static_cast<size_t>(sqlite3_column_bytes(m_pStmt, column)) : 0;
    return data;
}

bool CSqliteStatement::ColumnIsInt(int column) const {
    return sqlite3_column_type(m_pStmt, column) == SQLITE_INTEGER;
}

int CSqliteStatement::ColumnCount() const {
    return sqlite3_column_count(m_pStmt);
}
