#pragma once

#include <iosfwd>

class CImportPlan;

// Prints a dry run's plan (kelvo-admin import --dry-run): a line per record
// for a person, or (Tsv) tab-separated UTF-8 rows for a spreadsheet, one per
// record added or skipped and one per field a replacement changes, escaped as
// the dump escapes its cells.
class CPlanWriter {
public:
    static void Text(const CImportPlan& plan, std::ostream& out);
    static void Tsv(const CImportPlan& plan, std::ostream& out);
};
