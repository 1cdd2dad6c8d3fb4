#pragma once

#include <libpq-fe.h>
#include <string>
#include <vector>

#include "PgConnection.h"
#include "PgParameters.h"
#include "Statement.h"

// A statement prepared on the server under a name of its own; texts travel as
// bytea in binary, integers as decimal text, rows come back in binary.
class CPgStatement : public CStatement {
public:
    // sql uses ?1, ?2, ... (turned into $1, $2, ...).
    CPgStatement(CPgConnection& connection, const std::string& sql);
    ~CPgStatement() override;
    CPgStatement(const CPgStatement&) = delete;
    CPgStatement& operator=(const CPgStatement&) = delete;

    void BindText(int index, const char* text) override;
    void BindBytes(int index, const char* data, size_t length) override;
    void BindInt(int index, long long value) override;
    Result Step() override;
    bool Run() override;
    bool Queue() override;
    void Reset() override;
    long long Changes() const override { return m_nChanges; }
    long long ColumnInt64(int column) const override;
    const char* ColumnData(int column, size_t& length) const override;
    bool ColumnIsInt(int column) const override;
    int ColumnCount() const override;

    // The SQL in the server's notation ($1, ...) and how many parameters it has.
    static std::string ServerSql(const std::string& sql, int& parameters);
    static int ParameterCount(const std::string& sql);
    // Reads an integer column of a binary result.
    static long long IntValue(const PGresult* result, int row, int column);
    static bool IsIntColumn(const PGresult* result, int column);

private:
    // Sends the execution (after the preparation, the first time); answer
    // receives its result at the next sync.
    bool Send(PGresult** answer);

    CPgConnection& m_conn;
    std::string m_strSql;
    std::string m_strName;
    CPgConnection::PreparedFlag m_pPrepared;
    CPgParameters m_parameters;
    PGresult* m_pResult = nullptr;
    int m_nRow = -1;
    bool m_bExecuted = false;
    long long m_nChanges = 0;
};
