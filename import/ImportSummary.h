#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "OutlookTabReader.h"

// What an import did: the encoding and form it read, how many records it
// added, stored over duplicates, skipped or (in a dry run) only checked, the
// characters it had to replace with 〓, and what it could not read as given.
class CImportSummary {
public:
    std::string encoding; // "code page 932", "UTF-8", ...
    COutlookTabReader::Form form = COutlookTabReader::Form::Tab;
    bool dryRun = false;
    int added = 0;
    int updated = 0;
    int skipped = 0;
    int checked = 0;
    int substitutes = 0;
    std::vector<std::pair<int64_t, int>> substituted; // line of a record, characters replaced
    std::vector<COutlookTabReader::CWarning> warnings;

    // One note: a record's replaced characters (warning null) or a warning.
    struct CNote {
        int64_t line;
        int substitutes;
        const COutlookTabReader::CWarning* warning;
    };

    // Whether something was replaced or not read as given.
    bool HasNotes() const { return substitutes > 0 || !warnings.empty(); }
    // Every note in the order of the file, by the line its record begins on.
    std::vector<CNote> Notes() const;
    // The summary as lines (code page 932: values are quoted as the file gave
    // them): what was read, the counts, then the notes by line, the first
    // `listed` of them and a count of the rest.
    std::vector<std::string> Lines(size_t listed = 20) const;
};
