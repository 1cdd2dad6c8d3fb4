#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "kelvo.h"

// Writes address or schedule entries as current Outlook exports them:
// comma-separated, every value quoted, CR LF line ends, a header of Japanese
// column names, code page 932 (the groupware's own bytes, unconverted).
class COutlookCsvWriter {
public:
    explicit COutlookCsvWriter(std::ostream& out) : m_out(out) {}

    void BeginAddresses();
    void Write(const kvAddressRecord& record);
    void BeginSchedules();
    void Write(const kvScheduleRecord& record);

private:
    // One line of values (code page 932).
    void Line(const std::vector<std::string>& values);

    std::ostream& m_out;
};
