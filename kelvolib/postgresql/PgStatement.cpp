#include "PgStatement.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// Type OIDs of the integer columns the schema uses.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26;

long long BigEndian(const char* data, int length) {
    unsigned long long value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    // Sign-extend the narrower types.
    if (length < 8 && length > 0 && (static_cast<unsigned char>(data[0]) & 0x80))
        value |= ~0ull << (8 * length);
    return static_cast<long long>(value);
}

} // namespace

std::string CPgStatement::ServerSql(const std::string& sql, int& parameters) {
    std::string out;
    out.reserve(sql.size());
    parameters = 0;
    bool quoted = false;
    for (size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == '\'')
            quoted = !quoted;
        if (c == '?' && !quoted && i + 1 < sql.size() && std::isdigit(sql[i + 1])) {
            out += '$';
            int number = std::atoi(sql.c_str() + i + 1);
            parameters = std::max(parameters, number);
            continue;
        }
        out += c;
    }
    return out;
}

int CPgStatement::ParameterCount(const std::string& sql) {
    int count = 0;
    ServerSql(sql, count);
    return count;
}

bool CPgStatement::IsIntColumn(const PGresult* result, int column) {
    Oid type = PQftype(result, column);
    return type == kInt8 || type == kInt4 || type == kInt2 || type == kBool || type == kOid;
}

long long CPgStatement::IntValue(const PGresult* result, int row, int column) {
    // A null has length 0 (and reads as 0): one call fewer a value of a long list.
    return BigEndian(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

CPgStatement::CPgStatement(CPgConnection& connection, const std::string& sql)
    : m_conn(connection), m_pPrepared(std::make_shared<CPgConnection::Prepared>()),
      m_parameters(CPgStatement::ParameterCount(sql)) {
    int parameters = 0;
    m_strSql = ServerSql(sql, parameters);
    m_strName = m_conn.NextName("kv_s");
}

CPgStatement::~CPgStatement() {
    PQclear(m_pResult);
    if (m_conn.IsBroken() || *m_pPrepared == CPgConnection::Prepared::No)
        return;
    // A preparation not yet answered is settled first: only a prepared
    // statement may be deallocated without failing the open transaction.
    if (*m_pPrepared == CPgConnection::Prepared::Sent)
        m_conn.Sync();
    if (*m_pPrepared == CPgConnection::Prepared::Yes)
        m_conn.SendSimple("DEALLOCATE " + m_strName);
}

void CPgStatement::BindText(int index, const char* text) {
    m_parameters.Text(index, text);
}

void CPgStatement::BindBytes(int index, const char* data, size_t length) {
    m_parameters.Bytes(index, data, length, false);
}

void CPgStatement::BindInt(int index, long long value) {
    m_parameters.Int(index, value);
}

bool CPgStatement::Send(PGresult** answer) {
    if (!m_conn.BeforeStatement())
        return false;
    PGconn* conn = m_conn.Handle();
    if (*m_pPrepared == CPgConnection::Prepared::No) {
        if (!PQsendPrepare(conn, m_strName.c_str(), m_strSql.c_str(), 0, nullptr))
            return m_conn.Failed("the statement cannot be sent");
        *m_pPrepared = CPgConnection::Prepared::Sent;
        m_conn.Sent(nullptr, m_pPrepared);
    }
    if (!PQsendQueryPrepared(conn, m_strName.c_str(), m_parameters.Count(), m_parameters.Values(),
                             m_parameters.Lengths(), m_parameters.Formats(), 1))
        return m_conn.Failed("the statement cannot be sent");
    m_conn.Sent(answer);
    return true;
}

CStatement::Result CPgStatement::Step() {
    if (!m_bExecuted) {
        m_bExecuted = true;
        m_nRow = -1;
        PQclear(m_pResult);
        m_pResult = nullptr;
        if (!Send(&m_pResult) || !m_conn.Sync())
            return Result::Error;
    }
    if (m_pResult == nullptr)
        return Result::Error;
    if (m_nRow + 1 >= PQntuples(m_pResult)) {
        m_nRow = PQntuples(m_pResult);
        return Result::Done;
    }
    ++m_nRow;
    return Result::Row;
}

bool CPgStatement::Run() {
    Reset();
    PGresult* result = nullptr;
    bool ok = Send(&result) && m_conn.Sync();
    m_nChanges = ok && result != nullptr ? std::atoll(PQcmdTuples(result)) : 0;
    PQclear(result);
    return ok;
}

bool CPgStatement::Queue() {
    Reset();
    return Send(nullptr);
}

void CPgStatement::Reset() {
    PQclear(m_pResult);
    m_pResult = nullptr;
    m_bExecuted = false;
    m_nRow = -1;
}

long long CPgStatement::ColumnInt64(int column) const {
    if (m_pResult == nullptr || m_nRow < 0 || m_nRow >= PQntuples(m_pResult))
        return 0;
    return IntValue(m_pResult, m_nRow, column);
}

const char* CPgStatement::ColumnData(int column, size_t& length) const {
    length = 0;
    if (m_pResult == nullptr || m_nRow < 0 || m_nRow >= PQntuples(m_pResult))
        return nullptr;
    length = static_cast<size_t>(PQgetlength(m_pResult, m_nRow, column));
    return PQgetvalue(m_pResult, m_nRow, column);
}

bool CPgStatement::ColumnIsInt(int column) const {
    return m_pResult != nullptr && IsIntColumn(m_pResult, column);
}

int CPgStatement::ColumnCount() const {
    return m_pResult != nullptr ? PQnfields(m_pResult) : 0;
}
