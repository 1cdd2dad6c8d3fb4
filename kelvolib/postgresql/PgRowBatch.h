#pragma once

#include <libpq-fe.h>
#include <string>
#include <vector>

// Rows for one table gathered and sent as one array of the table's row type,
// in binary, to the server's function that adds a person's entries
// (kv_add_<table>, policies.sql): what a person's import appends with. The
// server takes no COPY into a table with row policies, and the function checks
// the rows as a whole; sent into the pipeline, it costs no wait.
class CPgRowBatch {
public:
    // What the rows look like: each bound column's type OID, the table's row
    // type, and for each of the table's columns in its order the bound column
    // that fills it (every column of the table is bound).
    struct CShape {
        std::vector<unsigned> types;
        unsigned rowType = 0;
        std::vector<size_t> order;
    };

    CPgRowBatch(const std::string& table, const CShape& shape);

    const std::string& Table() const { return m_strTable; }
    size_t Rows() const { return m_nRows; }
    // Adds a row in COPY's binary tuple form (field count, then each field's
    // length and bytes, in bound order).
    void Add(const std::string& row);
    // Sends the rows as one statement into conn's pipeline; false when libpq
    // cannot send it.
    bool Send(PGconn* conn);

private:
    std::string m_strTable;
    std::string m_strSql;
    CShape m_shape;
    std::string m_array; // header, then each row as a record: its length and fields
    std::vector<std::pair<size_t, size_t>> m_fields; // one row's fields: start, length
    size_t m_nRows = 0;
};
