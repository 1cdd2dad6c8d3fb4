#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "kelvo.h"

// Writes address entries as LDIF in UTF-8, as a mail program's address book
// imports it: an inetOrgPerson with Thunderbird's attributes, the readings as
// a directory's phonetic names, a value that is not plain ASCII in base64
// (libldap writes each line). What an entry keeps beside its record is given
// back: the whole texts of its fields, and the attributes it came with that
// have no field (its dn among them).
class CLdifWriter {
public:
    explicit CLdifWriter(std::ostream& out) : m_out(out) {}

    // original: UTF-8 content lines (kelvo.h), empty for none.
    void Write(const kvAddressRecord& record, std::string_view original = std::string_view());

private:
    void Attribute(const std::string& name, const std::string& value);

    std::ostream& m_out;
};
