#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Prints what the groupware's operations deliver as tab-separated UTF-8 lines:
// a line of column names, then one line per record, with \\, \t, \n and \r
// escaped so that a record always stays on one line.
class CDumpWriter {
public:
    explicit CDumpWriter(std::ostream& out) : m_out(out) {}

    void Users();
    // withOriginal: one more column, what each entry keeps beside its record
    // (UTF-8 content lines, escaped as every cell is).
    void Schedules(const std::string& owner, bool withOriginal = false);
    void Addresses(const std::string& owner, bool withOriginal = false);
    void Board();

    // The escaped UTF-8 form of a code page 932 text.
    static std::string Escape(const std::string& cp932);

private:
    // Writes cells (code page 932, or ASCII) as one escaped line.
    // original: a last cell that is UTF-8 already.
    void WriteLine(const std::vector<std::string>& cells, const std::string* original = nullptr);

    std::ostream& m_out;
    long m_nLines = 0; // written, the column names' line included
};
