#include "Statement.h"

#include <cstring>
#include <utility>

#include "Cp932.h"

CStatement::~CStatement() {
    sqlite3_finalize(m_pStmt);
}

CStatement::CStatement(CStatement&& other) noexcept
    : m_pStmt(std::exchange(other.m_pStmt, nullptr)), m_bDone(std::exchange(other.m_bDone, false)) {
}

CStatement& CStatement::operator=(CStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = std::exchange(other.m_pStmt, nullptr);
        m_bDone = std::exchange(other.m_bDone, false);
    }
    return *this;
}

bool CStatement::Prepare(sqlite3* db, const char* sql, std::string& error) {
    sqlite3_finalize(m_pStmt);
    m_pStmt = nullptr;
    m_bDone = false;
    if (sqlite3_prepare_v2(db, sql, -1, &m_pStmt, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
        return false;
    }
    return true;
}

void CStatement::BindText(int index, const char* text) {
    if (text == nullptr)
        text = "";
    sqlite3_bind_blob(m_pStmt, index, text, static_cast<int>(std::strlen(text)), SQLITE_TRANSIENT);
}

void CStatement::BindField(int index, const char* field, size_t width) {
    size_t length = CCp932::FieldLength(field, width);
    if (length == width && width > 0)
        length = CCp932::CutLength(field, length, width - 1);
    // SQLITE_STATIC: the caller's record outlives the statement's next step.
    sqlite3_bind_blob(m_pStmt, index, field, static_cast<int>(length), SQLITE_STATIC);
}

void CStatement::BindInt(int index, long long value) {
    sqlite3_bind_int64(m_pStmt, index, value);
}

int CStatement::Step() {
    // SQLite would start over on a step after the end; an enumeration stays at its end.
    if (m_bDone)
        return SQLITE_DONE;
    int result = sqlite3_step(m_pStmt);
    m_bDone = result == SQLITE_DONE;
    return result;
}

int CStatement::Run() {
    int result = sqlite3_step(m_pStmt);
    sqlite3_reset(m_pStmt);
    m_bDone = false;
    return result;
}

void CStatement::Reset() {
    m_bDone = false;
    if (m_pStmt != nullptr)
        sqlite3_reset(m_pStmt);
}

int CStatement::ColumnInt(int column) const {
    return sqlite3_column_int(m_pStmt, column);
}

long long CStatement::ColumnInt64(int column) const {
    return sqlite3_column_int64(m_pStmt, column);
}

void CStatement::ColumnToField(int column, char* field, size_t width) const {
    if (width == 0)
        return;
    const char* data = static_cast<const char*>(sqlite3_column_blob(m_pStmt, column));
    size_t length = static_cast<size_t>(sqlite3_column_bytes(m_pStmt, column));
    if (data == nullptr)
        length = 0;
    length = CCp932::CutLength(data, length, width - 1);
    if (length > 0)
        std::memcpy(field, data, length);
    std::memset(field + length, 0, width - length);
}

std::string CStatement::ColumnText(int column) const {
    const char* data = static_cast<const char*>(sqlite3_column_blob(m_pStmt, column));
    int length = sqlite3_column_bytes(m_pStmt, column);
    return data != nullptr ? std::string(data, static_cast<size_t>(length)) : std::string();
}
