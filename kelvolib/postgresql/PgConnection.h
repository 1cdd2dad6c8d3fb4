#pragma once

#include <chrono>
#include <deque>
#include <libpq-fe.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Connection.h"
#include "PgRowBatch.h"
#include "Statement.h"

// The groupware on a PostgreSQL server, over libpq in pipeline mode: writes are
// sent without waiting for their answers, and the connection waits for the
// server only where a result is needed (a lookup, a list's next chunk, a
// commit). Every wait is one round trip, counted.
class CPgCursor;

class CPgConnection : public CConnection {
public:
    // The state of a statement's server-side preparation, shared with the
    // pending answers that settle it.
    enum class Prepared { No, Sent, Yes };
    using PreparedFlag = std::shared_ptr<Prepared>;
    // Whether a list's cursor still exists on the server.
    struct CCursorState {
        bool alive = true;
        bool inTransaction = false; // declared in the open transaction: a rollback removes it
    };
    using CursorFlag = std::shared_ptr<CCursorState>;

    CPgConnection() = default;
    ~CPgConnection() override;
    CPgConnection(const CPgConnection&) = delete;
    CPgConnection& operator=(const CPgConnection&) = delete;

    // Connects to uri (anything libpq accepts), as the role uri names, or as
    // signIn's user (its role and password) when given. False with error on
    // failure; error never holds the password. LoginRefused() tells a wrong
    // name or password from a server that cannot be used.
    bool Open(const std::string& uri, std::string& error, const CSignIn* signIn = nullptr);
    bool LoginRefused() const { return m_bLoginRefused; }
    bool IsPerson() const override { return m_bPerson; }
    bool CountsSignInFailures() const override { return false; }
    bool SetLogin(const std::string& userName, const std::string& verifier) override;
    bool SetOwnPassword(const std::string& verifier) override;
    bool EnableLogin(const std::string& userName, bool enabled) override;
    bool DropLogin(const std::string& userName) override;
    bool FormerLogins(std::vector<std::string>& former) override;
    bool DropFormerLogin(const std::string& role) override;
    bool ConfirmSignIn(const std::string& cp932Password, bool& current) override;
    std::unique_ptr<CStatement> PrepareChangeCount() override;

    // uri without its password, for messages.
    static std::string Redact(const std::string& uri);

    const std::string& Location() const override { return m_strLocation; }
    std::unique_ptr<CStatement> Prepare(const std::string& sql) override;
    std::unique_ptr<CStatement> PrepareList(const std::string& sql) override;
    std::unique_ptr<CStatement> PrepareAppend(const std::string& table,
                                              const std::string& columns) override;
    bool Exec(const std::string& sql) override;
    bool Identify(Content& content, int& version) override;
    bool Configure() override { return true; }
    bool CreateSchema(int version) override;
    bool Upgrade(int from, int version) override;
    bool BeginWrite() override;
    bool Commit() override;
    void Rollback() override;
    bool InTransaction() override;
    bool AllowLongStatements() override;
    bool LockSchema() override;
    std::unique_ptr<CStatement> PrepareSeriesRemoval() override;
    // The records of imports go through the server's functions (policies.sql).
    std::unique_ptr<CStatement> PrepareImportBegin() override;
    std::unique_ptr<CStatement> PrepareImportEntries() override;
    std::unique_ptr<CStatement> PrepareImportBefore(const std::string& table,
                                                    const std::string& columns,
                                                    const std::string& condition) override;
    std::vector<std::unique_ptr<CStatement>>
    PrepareImportSeriesBefore(const std::string& columns) override;
    std::unique_ptr<CStatement> PrepareImportEnd() override;
    std::unique_ptr<CStatement> PrepareImportSkip() override;
    std::unique_ptr<CStatement> PrepareImportUndo() override;
    std::unique_ptr<CStatement> PrepareOwnEntriesRemoval() override;
    std::unique_ptr<CStatement> PrepareOwnEntriesRemovalInImport() override;
    bool ExcludeWriters(const std::vector<std::string>& tables) override;
    bool LockOwner(const std::string& kind, const std::string& owner) override;
    bool ReserveIds(const char* table, long long& first, long long& count) override;
    bool SetNextId(const char* table, long long next) override;
    std::string ErrorMessage() override;
    bool IsBroken() override;
    void Notice() override;

    // For statements and cursors.
    PGconn* Handle() const { return m_pConn; }
    std::string NextName(const char* prefix);
    // Records that a command was sent: its answer is read at the next Sync.
    // answer (when given, alive until then) receives the command's result.
    void Sent(PGresult** answer = nullptr, PreparedFlag prepared = nullptr);
    // Waits for the answers to everything sent. False when a command failed
    // (ErrorMessage says why); the answers go where Sent was told.
    bool Sync();
    // Sends a command without parameters into the pipeline.
    bool SendSimple(const std::string& sql, PGresult** answer = nullptr);
    // Before a statement that is not a list's: ends a COPY and a read
    // transaction in progress.
    bool BeforeStatement();
    bool InWrite() const { return m_bInTransaction; }
    // Lists are read in a short transaction of their own (a snapshot, without
    // the cost of a cursor that holds its rows): the first list's cursor
    // opens it, the last one to end closes it. Anything else that needs the
    // connection first has each open list fetch its remaining rows.
    bool BeginReading(CPgCursor* reader);
    void EndReading(CPgCursor* reader);
    bool StopReading();
    // Appends a row (binary COPY format) to table's columns (of shape),
    // starting a COPY (and ending another one) when needed. A
    // person's rows are gathered and sent as INSERTs of arrays instead
    // (PgRowBatch.h): the server takes no COPY into a table with row policies.
    bool CopyRow(const std::string& table, const std::string& columns,
                 const CPgRowBatch::CShape& shape, const std::string& row);
    // Ends a COPY in progress and waits for the server to take it; false when
    // it failed. A person's gathered rows are sent instead, their answer read
    // at the next wait. Called before anything else is sent.
    bool EndCopy();
    // A cursor declared now: a rollback of the open transaction removes it.
    CursorFlag DeclaredCursor();
    bool Failed(const char* what); // keeps libpq's reason; always false
    // Waits until an answer can be read without blocking, at most the answer
    // wait; false when the server gave none (the connection is then given up).
    bool WaitForAnswer();
    // The next result of what was sent, waited for as above.
    PGresult* NextResult();
    // Sends sql outside the pipeline and waits for its last result (the
    // caller's, to clear; null when it cannot be sent).
    PGresult* Execute(const std::string& sql);
    // libpq's reason for a failed connection (or that it was given up on).
    std::string ConnectionError();
    // The server's reason in result; a wait that ran out said with its bound.
    std::string Explain(const PGresult* result);

private:
    // The office's group role, its grants and the row policies (policies.sql).
    bool ApplyPolicies();
    // Whether the server's administrator ran the setup (setup.sql) in this
    // database; the reason kept when not.
    bool HasSetup();
    // The schema's name as an SQL literal.
    std::string SchemaLiteral() const;
    // Calls a role function of the setup for userName's role (with enabled
    // as its third argument when it is 0 or 1).
    bool RoleCall(const char* function, const std::string& userName, int enabled);

    struct CPending {
        PGresult** answer;
        PreparedFlag prepared;
    };

    PGconn* m_pConn = nullptr;
    std::string m_strLocation;
    std::string m_strSchema;
    std::string m_strError;
    std::deque<CPending> m_pending;
    std::map<std::string, std::shared_ptr<CStatement>> m_lockStatements; // the connection's own
    std::vector<CursorFlag> m_cursors;
    std::string m_strCopy; // the table of the COPY in progress, or empty
    std::string m_copyBuffer;
    std::vector<CPgCursor*> m_readers;     // lists open in the read transaction
    std::string m_strTag;                  // the office's tag (PgRoles.h)
    std::unique_ptr<CPgRowBatch> m_pBatch; // a person's rows not yet sent
    bool m_bPerson = false;
    bool m_bGaveUp = false;       // the server did not answer in time
    std::string m_strGaveUp;      // saying so
    int m_nAnswerWaitMs = -1;     // how long an answer is waited for (-1: for ever)
    int m_nLockTimeoutMs = 0;     // how long another writer's lock is waited for
    int m_nIdleTimeoutMs = -1;    // a writing transaction's silence the server bears
    long long m_nStatementMs = 0; // the server's statement bound (0: none)
    long long m_nSilenceMs = 0;   // a silent peer's bound (TCP)
    // When the server last said something (a result).
    std::chrono::steady_clock::time_point m_lastHeard;
    bool m_bLoginRefused = false;
    bool m_bReading = false;
    bool m_bInTransaction = false;
    bool m_bTransactionFailed = false;
    unsigned m_nNames = 0;
};
