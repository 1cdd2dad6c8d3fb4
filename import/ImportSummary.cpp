#include "ImportSummary.h"

#include <algorithm>

#include "OutlookTextFile.h"

namespace {

const char kSubstitute[] = "\x81\xAC"; // 〓

std::string Warning(const COutlookTabReader::CWarning& warning) {
    using Kind = COutlookTabReader::CWarning::Kind;
    switch (warning.kind) {
    case Kind::Date:
        return warning.column + " \"" + warning.value + "\" is not a date; left empty";
    case Kind::Time:
        return warning.column + " \"" + warning.value + "\" is not a time; left empty";
    case Kind::OpenQuote:
        return "the file ends inside a quoted value that begins here; the value ends there";
    case Kind::TooManyColumns:
        return "more than " + std::to_string(COutlookTabReader::kMaxColumns) +
               " columns, more than any export writes; the record is skipped";
    case Kind::LongLine:
        return "a line longer than " + std::to_string(COutlookTextFile::kMaxLine >> 20) +
               " MiB; cut there";
    }
    return std::string();
}

} // namespace

void CImportSummary::AddSubstituted(int64_t line, int count) {
    substitutes += count;
    ++substitutedRecords;
    if (substituted.size() < kKeptNotes)
        substituted.emplace_back(line, count);
}

void CImportSummary::AddWarning(COutlookTabReader::CWarning warning) {
    ++warningCount;
    if (warnings.size() < kKeptNotes)
        warnings.push_back(std::move(warning));
}

std::vector<std::string> CImportSummary::Lines(size_t listed) const {
    std::vector<std::string> lines;
    lines.push_back("read as " + encoding + ", " +
                    (form == COutlookTabReader::Form::Comma ? "comma-separated" : "tab-separated"));
    if (dryRun)
        lines.push_back("dry run: " + std::to_string(checked) +
                        " records read and checked, nothing stored");
    else
        lines.push_back("added " + std::to_string(added) + ", updated as duplicates " +
                        std::to_string(updated) + ", skipped " + std::to_string(skipped));
    lines.push_back("characters replaced with " + std::string(kSubstitute) + ": " +
                    std::to_string(substitutes) + " (in " + std::to_string(substitutedRecords) +
                    " records); warnings: " + std::to_string(warningCount));
    std::vector<CNote> notes = Notes();
    for (size_t i = 0; i < notes.size() && i < listed; ++i)
        lines.push_back("line " + std::to_string(notes[i].line) + ": " + NoteText(notes[i]));
    const size_t all = static_cast<size_t>(substitutedRecords + warningCount);
    if (all > std::min(listed, notes.size()))
        lines.push_back("... and " + std::to_string(all - std::min(listed, notes.size())) +
                        " more");
    return lines;
}

std::string CImportSummary::NoteText(const CNote& note) {
    return note.warning != nullptr
               ? Warning(*note.warning)
               : std::to_string(note.substitutes) + " characters replaced with " + kSubstitute;
}

std::vector<CImportSummary::CNote> CImportSummary::Notes() const {
    std::vector<CNote> notes;
    for (const auto& record : substituted)
        notes.push_back(CNote{record.first, record.second, nullptr});
    for (const auto& warning : warnings)
        notes.push_back(CNote{warning.line, 0, &warning});
    std::stable_sort(notes.begin(), notes.end(),
                     [](const CNote& a, const CNote& b) { return a.line < b.line; });
    return notes;
}
