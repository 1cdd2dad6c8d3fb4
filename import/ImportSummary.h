#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "RecordReader.h"

// What an import did: the encoding and form it read, how many records it
// added, stored over duplicates, skipped or (in a dry run) only checked, the
// characters it had to replace with 〓, and what it could not read as given.
class CImportSummary {
public:
    std::string encoding; // "code page 932", "UTF-8", ...
    CRecordReader::Form form = CRecordReader::Form::Tab;
    bool dryRun = false;
    // A file of the other kind was given: the form it is in.
    CRecordReader::Form otherForm = CRecordReader::Form::Tab;
    int units = 0;                         // cards or events read (vCard, iCalendar)
    int expanded = 0;                      // occurrences a recurrence added beyond its first
    std::map<std::string, int> notCarried; // properties passed over, by name
    std::map<std::string, int> keptBeside; // properties kept beside the entries, by name
    int keptFields = 0;                    // fields whose whole texts were kept beside them
    int added = 0;
    int updated = 0;
    int skipped = 0;
    int checked = 0;
    int substitutes = 0;
    // The notes are kept as far as a summary shows them (kKeptNotes of each
    // kind, in file order), and the rest only counted: a hostile file cannot
    // make them grow without bound.
    static constexpr size_t kKeptNotes = 20;
    std::vector<std::pair<int64_t, int>> substituted; // line of a record, characters replaced
    std::vector<CRecordReader::CWarning> warnings;
    int substitutedRecords = 0; // all of them, kept or not
    int64_t warningCount = 0;

    // Counts a record with replaced characters, and a warning; keeps them
    // while fewer than kKeptNotes are kept.
    void AddSubstituted(int64_t line, int count);
    void AddWarning(CRecordReader::CWarning warning);

    // One note: a record's replaced characters (warning null) or a warning.
    struct CNote {
        int64_t line;
        int substitutes;
        const CRecordReader::CWarning* warning;
    };

    // Whether something was replaced or not read as given.
    bool HasNotes() const {
        return substitutes > 0 || warningCount > 0 || !notCarried.empty() || !keptBeside.empty() ||
               keptFields > 0;
    }
    // "vCard", "iCalendar", "comma-separated" or "tab-separated".
    static const char* FormName(CRecordReader::Form form);
    // Every note in the order of the file, by the line its record begins on.
    std::vector<CNote> Notes() const;
    // What a note says, as Lines() writes it after "line N: ".
    static std::string NoteText(const CNote& note);
    // The summary as lines (code page 932: values are quoted as the file gave
    // them): what was read, the counts, then the notes by line, the first
    // `listed` of them and a count of the rest.
    std::vector<std::string> Lines(size_t listed = 20) const;
};
