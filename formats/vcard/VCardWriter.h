#pragma once

#include <iosfwd>
#include <string>

#include "kelvo.h"

// Writes address entries as vCard 4.0 in UTF-8, one card each, with the
// readings both as N's SORT-AS and as X-PHONETIC-* (what phones show). Lines
// are folded at 75 bytes, never inside a character.
class CVCardWriter {
public:
    explicit CVCardWriter(std::ostream& out) : m_out(out) {}

    void Write(const kvAddressRecord& record);

private:
    void Property(const std::string& name, const std::string& value);

    std::ostream& m_out;
};
