#pragma once

#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "Original.h"
#include "kelvo.h"

// Writes address or schedule entries as current Outlook exports them:
// comma-separated, every value quoted, CR LF line ends, a header of Japanese
// column names, code page 932 (the groupware's own bytes, unconverted). Or in
// UTF-8 (with a byte order mark, as spreadsheets want it), where each field
// is written with the whole text the entry keeps beside it.
class COutlookCsvWriter {
public:
    explicit COutlookCsvWriter(std::ostream& out, bool utf8 = false) : m_out(out), m_bUtf8(utf8) {}

    void BeginAddresses();
    // original: UTF-8 content lines (kelvo.h), empty for none; read in UTF-8 only.
    void Write(const kvAddressRecord& record, std::string_view original = std::string_view());
    void BeginSchedules();
    void Write(const kvScheduleRecord& record, std::string_view original = std::string_view());
    // Characters of the whole texts kept beside entries that code page 932
    // has no form for (written as the fields hold them, with 〓): 0 in UTF-8.
    int Unwritten() const { return m_nUnwritten; }

private:
    // One line of values (code page 932, or UTF-8).
    void Line(const std::vector<std::string>& values);
    // The header: names given in UTF-8, written in the file's encoding.
    void Header(std::initializer_list<const char*> utf8);
    // What the entry keeps beside it, as far as this file gives it back.
    COriginal::CParsed Kept(std::string_view original);

    std::ostream& m_out;
    bool m_bUtf8;
    int m_nUnwritten = 0;
};
