#pragma once

#include <string>

#include "RecordReader.h"

// Where a table's columns go, as a person wrote it in a small text file
// (UTF-8, one column a line: "header = field", the field one of the names the
// import knows, or "-" or nothing for not imported; '#' begins a comment).
// kelvo-admin import --map reads one; the import dialog writes one.
class CColumnMapping {
public:
    // The mapping text says; false with why (naming the line) where a line
    // is none.
    static bool Parse(const std::string& text, CRecordReader::CMapping& mapping, std::string& why);
    // The text of mapping, a line each.
    static std::string Text(const CRecordReader::CMapping& mapping);
};
