#pragma once

#include <string>
#include <vector>

// Comma-separated fields as RFC 4180 has them: a field in double quotes may
// hold commas, line breaks and doubled quotes (one quote each); a record ends
// at a line end (LF, CR LF or a lone CR) outside quotes. Fed a line at a time.
// The separator is a comma, or a semicolon as spreadsheets write it where the
// comma is the decimal mark.
class CCsvParser {
public:
    explicit CCsvParser(char separator = ',') : m_separator(separator) {}
    void SetSeparator(char separator) { m_separator = separator; }

    // The most bytes a field keeps (what an entry keeps beside its record at
    // most), and a record in all; the rest of a longer one is read and dropped.
    static constexpr size_t kMaxField = 1u << 20;
    static constexpr size_t kMaxRecord = 4u << 20;
    // The most fields a record keeps; a record with more is read to its end
    // and marked (Overflowed), so that a line of commas cannot fill memory.
    static constexpr size_t kMaxFields = 1000;

    // Starts a record.
    void Begin();
    // Parses a line, its line end included; true when the record is complete.
    bool Feed(const std::string& line);
    // The file ended inside quotes: the open field ends there.
    void Finish();
    const std::vector<std::string>& Fields() const { return m_fields; }
    size_t Count() const { return m_nCount; }
    bool Overflowed() const { return m_bOverflowed; }

    // The fields of one line (a header), without quotes.
    static std::vector<std::string> SplitLine(const std::string& line, char separator = ',');

private:
    void EndField();
    // Adds text to the open field, as far as it keeps.
    void Append(const char* text, size_t length);

    char m_separator;
    std::vector<std::string> m_fields; // reused from record to record
    size_t m_nCount = 0;
    std::string m_field;
    size_t m_nRecordBytes = 0;  // kept by the record so far
    bool m_bQuoted = false;     // inside quotes
    bool m_bAfterQuote = false; // the field had quotes (a second quote is text)
    bool m_bOverflowed = false; // more than kMaxFields fields
};
