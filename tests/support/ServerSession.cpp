#include "ServerSession.h"

#include <libpq-fe.h>
#include <vector>

CServerSession::CServerSession(const std::string& uri, const std::string& role,
                               const std::string& password) {
    std::vector<const char*> keywords = {"dbname"}, values = {uri.c_str()};
    if (!role.empty()) {
        keywords.push_back("user");
        values.push_back(role.c_str());
    }
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_pConn = PQconnectdbParams(keywords.data(), values.data(), 1);
    PQsetNoticeProcessor(
        m_pConn, [](void*, const char*) {}, nullptr);
}

CServerSession::~CServerSession() {
    PQfinish(m_pConn);
}

bool CServerSession::Connected() const {
    return PQstatus(m_pConn) == CONNECTION_OK;
}

std::string CServerSession::Error() const {
    return PQerrorMessage(m_pConn);
}

std::string CServerSession::Run(const std::string& sql) {
    PGresult* result = PQexec(m_pConn, sql.c_str());
    std::string answer;
    ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_TUPLES_OK && PQntuples(result) > 0)
        answer = PQgetvalue(result, 0, 0);
    else if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        answer = std::string("refused: ") + PQresultErrorMessage(result);
    PQclear(result);
    return answer;
}
