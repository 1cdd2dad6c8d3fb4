#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "kelvo.h"

// Writes address entries as vCard 4.0 in UTF-8, one card each, with the
// readings both as N's SORT-AS and as X-PHONETIC-* (what phones show). Lines
// are folded at 75 bytes, never inside a character. What an entry keeps
// beside its record (its original) is given back: the whole texts of its
// fields, the card's own lines for N, FN, ORG, ADR and CATEGORIES where they
// say more than the fields and still stand for them, and every other
// property it came with, after the groupware's own.
class CVCardWriter {
public:
    explicit CVCardWriter(std::ostream& out) : m_out(out) {}

    // original: UTF-8 content lines (kelvo.h), empty for none.
    void Write(const kvAddressRecord& record, std::string_view original = std::string_view());

private:
    void Property(const std::string& name, const std::string& value);

    std::ostream& m_out;
};
