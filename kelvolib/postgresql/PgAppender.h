#pragma once

#include <string>
#include <vector>

#include "PgConnection.h"
#include "Statement.h"

// Appends rows to one table through COPY in binary: no statement per row, and
// no waiting for the server until another statement needs the connection.
class CPgAppender : public CStatement {
public:
    // columns: "a, b, c", bound as ?1, ?2, ?3.
    CPgAppender(CPgConnection& connection, const std::string& table, const std::string& columns);

    void BindText(int index, const char* text) override;
    void BindBytes(int index, const char* data, size_t length) override;
    void BindInt(int index, long long value) override;
    Result Step() override { return Run() ? Result::Done : Result::Error; }
    // Appends the bound row and waits until the server has it.
    bool Run() override;
    // Appends the bound row.
    bool Queue() override;
    void Reset() override {}
    long long Changes() const override { return 1; }
    long long ColumnInt64(int) const override { return 0; }
    const char* ColumnData(int, size_t& length) const override {
        length = 0;
        return nullptr;
    }
    bool ColumnIsInt(int) const override { return false; }
    int ColumnCount() const override { return 0; }

private:
    struct CValue {
        bool isInt = false;
        long long number = 0;
        std::string bytes;
    };
    // The columns' types and the table's order, read from the catalog once.
    bool ReadTypes();

    CPgConnection& m_conn;
    std::string m_strTable;
    std::vector<std::string> m_columns;
    CPgRowBatch::CShape m_shape; // the columns' types, read from the catalog once
    std::vector<CValue> m_values;
    std::string m_strColumns;
    std::string m_row;
};
