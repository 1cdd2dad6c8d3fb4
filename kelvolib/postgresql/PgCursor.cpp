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
    // The last chunk read stays until the cursor is reset or goes.
    PQclear(m_pResult);
    PQclear(m_pRest);
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

bool CPgCursor::Declare() {
    if (!m_conn.EndCopy())
        return false;
    // Inside a write batch the cursor must outlive the batch's commit.
    bool held = m_conn.InWrite();
    if (!held) {
        if (!m_conn.BeginReading(this))
            return false;
        m_bReader = true;
    }
    std::string sql = "DECLARE " + m_strName + " NO SCROLL CURSOR " + (held ? "WITH HOLD " : "") +
                      "FOR " + m_strSql;
    if (!PQsendQueryParams(m_conn.Handle(), sql.c_str(), m_parameters.Count(), nullptr,
                           m_parameters.Values(), m_parameters.Lengths(), m_parameters.Formats(),
                           1))
        return m_conn.Failed("the list cannot be read");
    m_conn.Sent();
    if (held)
        m_pState = m_conn.DeclaredCursor();
    m_bDeclared = true;
    return true;
}

bool CPgCursor::AskNext() {
    m_bNextAsked =
        m_conn.SendSimple("FETCH " + std::to_string(kChunk) + " FROM " + m_strName, &m_pNext);
    return m_bNextAsked;
}

bool CPgCursor::Fetch() {
    if (m_pState && !m_pState->alive)
        return m_conn.Failed("the list was lost when a write transaction failed");
    if (!m_bNextAsked && !AskNext())
        return false;
    // Another statement's wait may have brought the chunk already.
    if (m_pNext == nullptr && !m_conn.Sync())
        return false;
    m_bNextAsked = false;
    PQclear(m_pResult);
    m_pResult = m_pNext;
    m_pNext = nullptr;
    m_nRow = -1;
    if (m_pResult == nullptr)
        return m_conn.Failed("the list's rows did not come");
    m_bLast = PQntuples(m_pResult) < kChunk;
    // A full chunk: the next one is asked for at once (not waited for).
    return m_bLast || AskNext();
}

void CPgCursor::FetchRest() {
    m_conn.SendSimple("FETCH ALL FROM " + m_strName, &m_pRest);
}

void CPgCursor::Detached(bool ok) {
    // The read transaction has ended, and the cursor with it.
    m_bReader = false;
    m_bDeclared = false;
    m_bFailed = !ok || m_pRest == nullptr;
    m_bLast = true;
    m_bNextAsked = m_pNext != nullptr;
}

CStatement::Result CPgCursor::Step() {
    if (m_bDone)
        return Result::Done;
    if (m_bFailed)
        return Result::Error;
    if (m_pResult == nullptr && m_pRest == nullptr) {
        if (!Declare() || !Fetch())
            return Result::Error;
    }
    while (m_pResult == nullptr || m_nRow + 1 >= PQntuples(m_pResult)) {
        if (m_pNext != nullptr) {
            // A chunk asked for before the read transaction ended.
            PQclear(m_pResult);
            m_pResult = m_pNext;
            m_pNext = nullptr;
            m_bNextAsked = false;
            m_nRow = -1;
            continue;
        }
        if (m_pRest != nullptr) {
            // What the connection fetched when it needed itself.
            PQclear(m_pResult);
            m_pResult = m_pRest;
            m_pRest = nullptr;
            m_nRow = -1;
            continue;
        }
        if (m_bLast && !m_bNextAsked) {
            m_bDone = true;
            Close(); // a list read to its end lets the snapshot go
            return Result::Done;
        }
        if (!Fetch())
            return Result::Error;
    }
    ++m_nRow;
    m_nRows = PQntuples(m_pResult); // the row accessors check against it, not libpq
    return Result::Row;
}

void CPgCursor::Close() {
    // A chunk still on its way is settled before the cursor goes.
    if (m_bNextAsked && m_pNext == nullptr && !m_conn.IsBroken())
        m_conn.Sync();
    m_bNextAsked = false;
    PQclear(m_pNext);
    m_pNext = nullptr;
    if (m_bDeclared && !m_conn.IsBroken() && (!m_pState || m_pState->alive))
        m_conn.SendSimple("CLOSE " + m_strName);
    if (m_bReader)
        m_conn.EndReading(this);
    if (m_pState)
        m_pState->alive = false;
    m_pState.reset();
    m_bDeclared = false;
    m_bReader = false;
}

void CPgCursor::Reset() {
    // Reading again starts a new snapshot.
    Close();
    PQclear(m_pResult);
    PQclear(m_pRest);
    m_pResult = nullptr;
    m_pRest = nullptr;
    m_nRow = -1;
    m_nRows = 0;
    m_bDone = false;
    m_bLast = false;
    m_bFailed = false;
}

long long CPgCursor::ColumnInt64(int column) const {
    if (m_nRow < 0 || m_nRow >= m_nRows)
        return 0;
    return CPgStatement::IntValue(m_pResult, m_nRow, column);
}

const char* CPgCursor::ColumnData(int column, size_t& length) const {
    length = 0;
    if (m_nRow < 0 || m_nRow >= m_nRows)
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
