#pragma once

#include <libpq-fe.h>

#include <string>
#include <vector>

#include "PgConnection.h"
#include "PgParameters.h"
#include "Statement.h"

// A long list read from the server in large chunks: a cursor declared WITH
// HOLD (a consistent snapshot, taken when the list is first read, that other
// statements may interleave with), fetched 20,000 rows per round trip.
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

private:
    bool Fetch(bool declare);
    void Close();

    CPgConnection& m_conn;
    std::string m_strSql;
    std::string m_strName;
    CPgParameters m_parameters;
    CPgConnection::CursorFlag m_pState;
    PGresult* m_pResult = nullptr;
    int m_nRow = -1;
    bool m_bDone = false;
};
