#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "kelvo.h"

// Writes address entries as Google Contacts exports and imports them: UTF-8,
// comma-separated, its current header (First Name, Phonetic Last Name,
// E-mail 1 - Value, Phone 1 - Label...), each field its whole text where the
// entry keeps one. Phones and the two addresses carry their labels (Work,
// Work 2, Mobile, Home, Home 2, Work Fax, Home Fax), as the address import
// reads them back.
class CGoogleCsvWriter {
public:
    explicit CGoogleCsvWriter(std::ostream& out) : m_out(out) {}

    void Begin();
    // original: UTF-8 content lines (kelvo.h), empty for none.
    void Write(const kvAddressRecord& record, std::string_view original = std::string_view());

private:
    // One line of values, quoted where a value holds a comma, quote or line break.
    void Line(const std::vector<std::string>& values);

    std::ostream& m_out;
};
