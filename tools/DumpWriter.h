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
    void Schedules(const std::string& owner);
    void Addresses(const std::string& owner);
    void Board();

    // The escaped UTF-8 form of a code page 932 text.
    static std::string Escape(const std::string& cp932);

private:
    // Writes cells (code page 932, or ASCII) as one escaped line.
    void WriteLine(const std::vector<std::string>& cells);

    std::ostream& m_out;
    long m_nLines = 0; // written, the column names' line included
};
