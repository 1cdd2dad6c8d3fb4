#pragma once

#include <cstddef>
#include <string>

// A prepared statement of either engine. SQL is written once for both, with
// ?1, ?2, ... parameters. Texts are bound and read as bytes: groupware texts
// are code page 932 and compare byte-wise.
class CStatement {
public:
    enum class Result { Row, Done, Error };

    virtual ~CStatement() = default;

    // Binds a NUL-terminated text; null binds the empty text.
    virtual void BindText(int index, const char* text) = 0;
    virtual void BindBytes(int index, const char* data, size_t length) = 0;
    virtual void BindInt(int index, long long value) = 0;
    // Binds a record field of width bytes: the bytes before its NUL, and a field
    // without a NUL cut at a character boundary so that it fits with its NUL.
    // The field must stay unchanged until the statement has run.
    void BindField(int index, const char* field, size_t width);

    // Steps once: a row, the end (where it stays until Reset), or an error.
    virtual Result Step() = 0;
    // Runs a statement to its end and resets it; false on an error.
    virtual bool Run() = 0;
    // Runs a write whose outcome may be learnt only at the next statement that
    // waits for the database (a server engine sends it without waiting); false
    // when it fails at once. Changes() is not known afterwards.
    virtual bool Queue() = 0;
    virtual void Reset() = 0;
    // Rows the last Run changed.
    virtual long long Changes() const = 0;

    virtual long long ColumnInt64(int column) const = 0;
    int ColumnInt(int column) const { return static_cast<int>(ColumnInt64(column)); }
    // The bytes of a column of the current row; valid until the next step.
    virtual const char* ColumnData(int column, size_t& length) const = 0;
    // Copies a column into a field of width bytes: cut at a character boundary,
    // NUL-terminated, the rest of the field zeroed.
    void ColumnToField(int column, char* field, size_t width) const;
    std::string ColumnText(int column) const;
    // Whether a column of the current row holds an integer (else bytes).
    virtual bool ColumnIsInt(int column) const = 0;
    virtual int ColumnCount() const = 0;
};
