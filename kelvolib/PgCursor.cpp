#include "PgCursor.h"

#include "PgStatement.h"

CPgCursor::CPgCursor(CPgConnection& connection, const std::string& sql)
    : m_conn(connection), m_parameters(CPgStatement::ParameterCount(sql)) {
    int parameters = 0;
    m_strSql = CPgStatement::ServerSql(sql, parameters);
    m_strName = m_conn.NextName("kv_c");
}

CPgCursor::~CPgCursor() {
    Close();
}

// Copied: the list is declared at its first step, maybe long after.
void CPgCursor::BindText(int index, const char* text) {
    m_parameters.Text(index, text);
}

void CPgCursor::BindBytes(int index, const char* data, size_t length) {
    m_parameters.Bytes(index, data, length, true);
}

void CPgCursor::BindInt(int index, long long value) {
    m_parameters.Int(index, value);
}

bool CPgCursor::Fetch(bool declare) {
    PGconn* conn = m_conn.Handle();
    if (declare) {
        std::string sql = "DECLARE " + m_strName + " NO SCROLL CURSOR WITH HOLD FOR " + m_strSql;
        if (!PQsendQueryParams(conn, sql.c_str(), m_parameters.Count(), nullptr,
                               m_parameters.Values(), m_parameters.Lengths(),
                               m_parameters.Formats(), 1))
            return m_conn.Failed("the list cannot be read");
        m_conn.Sent(false);
        m_pState = m_conn.DeclaredCursor();
    } else if (!m_pState || !m_pState->alive) {
        m_conn.Failed("the list was lost when a write transaction failed");
        return false;
    }
    std::string fetch = "FETCH " + std::to_string(kChunk) + " FROM " + m_strName;
    PQclear(m_pResult);
    m_pResult = nullptr;
    m_nRow = -1;
    if (!m_conn.SendSimple(fetch, true))
        return false;
    bool ok = m_conn.Sync(&m_pResult);
    if (!ok && declare && m_pState)
        m_pState->alive = false; // the declaration itself failed
    return ok && m_pResult != nullptr;
}

CStatement::Result CPgCursor::Step() {
    if (m_bDone)
        return Result::Done;
    if (m_pResult == nullptr && !m_pState) {
        if (!Fetch(true))
            return Result::Error;
    } else if (m_pResult == nullptr) {
        return Result::Error;
    }
    if (m_nRow + 1 >= PQntuples(m_pResult)) {
        // A short chunk was the last one.
        if (PQntuples(m_pResult) < kChunk) {
            m_bDone = true;
            return Result::Done;
        }
        if (!Fetch(false))
            return Result::Error;
        if (PQntuples(m_pResult) == 0) {
            m_bDone = true;
            return Result::Done;
        }
    }
    ++m_nRow;
    return Result::Row;
}

void CPgCursor::Close() {
    PQclear(m_pResult);
    m_pResult = nullptr;
    m_nRow = -1;
    m_bDone = false;
    if (m_pState && m_pState->alive && !m_conn.IsBroken())
        m_conn.SendSimple("CLOSE " + m_strName, false);
    if (m_pState)
        m_pState->alive = false;
    m_pState.reset();
}

void CPgCursor::Reset() {
    // Reading again starts a new snapshot.
    Close();
}

long long CPgCursor::ColumnInt64(int column) const {
    if (m_pResult == nullptr || m_nRow < 0 || m_nRow >= PQntuples(m_pResult))
        return 0;
    return CPgStatement::IntValue(m_pResult, m_nRow, column);
}

const char* CPgCursor::ColumnData(int column, size_t& length) const {
    length = 0;
    if (m_pResult == nullptr || m_nRow < 0 || m_nRow >= PQntuples(m_pResult))
        return nullptr;
    length = static_cast<size_t>(PQgetlength(m_pResult, m_nRow, column));
    return PQgetvalue(m_pResult, m_nRow, column);
}

bool CPgCursor::ColumnIsInt(int column) const {
    return m_pResult != nullptr && CPgStatement::IsIntColumn(m_pResult, column);
}

int CPgCursor::ColumnCount() const {
    return m_pResult != nullptr ? PQnfields(m_pResult) : 0;
}
