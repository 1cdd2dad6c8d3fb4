#pragma once

#include <string>

typedef struct pg_conn PGconn;

// A connection to the test server made directly with libpq, as someone who
// bypasses the library would make it: a person with her own role and
// password, an office's administrator, the server's superuser.
class CServerSession {
public:
    // uri names the server (and maybe the role); role and password, when not
    // empty, replace what it says.
    CServerSession(const std::string& uri, const std::string& role = std::string(),
                   const std::string& password = std::string());
    ~CServerSession();
    CServerSession(const CServerSession&) = delete;
    CServerSession& operator=(const CServerSession&) = delete;

    bool Connected() const;
    std::string Error() const;
    // Runs sql; the first cell, or "refused: <reason>" when the server refuses it.
    std::string Run(const std::string& sql);

    static bool Refused(const std::string& answer) { return answer.rfind("refused: ", 0) == 0; }

private:
    PGconn* m_pConn = nullptr;
};
