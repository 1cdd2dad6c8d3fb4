#pragma once

#include <libpq-fe.h>
#include <string>

#include "PgConnection.h"
#include "PgParameters.h"
#include "Statement.h"

// A long list read from the server in large chunks, 20,000 rows per round
// trip, from a consistent snapshot taken when the list is first read. Outside
// a write batch the cursor lives in a short read transaction and streams its
// rows; when the connection is needed for something else first, the rest of
// the rows is fetched at once and kept. Inside a write batch it is declared
// WITH HOLD, so that the batch's commit does not end it.
class CPgCursor : public CStatement {
public:
    static constexpr int kChunk = 20000;

    CPgCursor(CPgConnection& connection, const std::string& sql);
    ~CPgCursor() override;
    CPgCursor(const CPgCursor&) = delete;
    CPgCursor& operator=(const CPgCursor&) = delete;

    void BindText(int index, const char* text) override;
    void BindBytes(int index, const char* data, size_t length) override;
    void BindInt(int index, long long value) override;
    Result Step() override;
    bool Run() override { return Step() != Result::Error; }
    bool Queue() override { return Run(); }
    void Reset() override;
    long long Changes() const override { return 0; }
    long long ColumnInt64(int column) const override;
    const char* ColumnData(int column, size_t& length) const override;
    bool ColumnIsInt(int column) const override;
    int ColumnCount() const override;

    // For the connection ending the read transaction: asks for all the rows
    // left, then learns whether they came.
    void FetchRest();
    void Detached(bool ok);

private:
    bool Declare();
    bool Fetch();
    bool AskNext();
    void Close();

    CPgConnection& m_conn;
    std::string m_strSql;
    std::string m_strName;
    CPgParameters m_parameters;
    CPgConnection::CursorFlag m_pState; // a held cursor's
    bool m_bDeclared = false;
    bool m_bReader = false; // declared in the connection's read transaction
    bool m_bDone = false;
    bool m_bLast = false; // the current chunk is the last one
    bool m_bFailed = false;
    PGresult* m_pResult = nullptr;
    // The next chunk, asked for as soon as the current one came, so that the
    // server prepares it while this side reads the current one.
    PGresult* m_pNext = nullptr;
    bool m_bNextAsked = false;
    PGresult* m_pRest = nullptr;
    int m_nRow = -1;
    int m_nRows = 0; // rows of m_pResult, as of the last step
};
