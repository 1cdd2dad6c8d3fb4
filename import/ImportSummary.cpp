#include "ImportSummary.h"

#include <algorithm>

#include "TextFile.h"

namespace {

const char kSubstitute[] = "\x81\xAC"; // 〓

std::string Warning(const CRecordReader::CWarning& warning) {
    using Kind = CRecordReader::CWarning::Kind;
    switch (warning.kind) {
    case Kind::Date:
        return warning.column + " \"" + warning.value + "\" is not a date; left empty";
    case Kind::Time:
        return warning.column + " \"" + warning.value + "\" is not a time; left empty";
    case Kind::OpenQuote:
        return "the file ends inside a quoted value that begins here; the value ends there";
    case Kind::TooManyColumns:
        return "more than " + warning.value +
               " columns, more than any export writes; the record is skipped";
    case Kind::LongLine:
        return "a line longer than " + std::to_string(CTextFile::kMaxLine >> 20) +
               " MiB; cut there";
    case Kind::Malformed:
        if (warning.column.empty())
            return "not a property, passed over: \"" + warning.value + "\"";
        if (warning.value.compare(0, 4, "END:") == 0)
            return warning.column + " without " + warning.value + "; skipped";
        return warning.column + " cannot be read (" + warning.value + "); skipped";
    case Kind::Skipped:
        return warning.column + (warning.value.empty() ? "" : " " + warning.value) +
               " is not imported; skipped";
    case Kind::Cut:
        if (warning.value.find('-') != std::string::npos)
            return "a recurrence: only the occurrences from " + warning.value + " were taken";
        return "a recurrence: cut short at " + warning.value +
               " (steps followed or occurrences taken)";
    case Kind::SignInside:
        return warning.column + " \"" + warning.value +
               "\": a sign inside the duration, read as one in front";
    case Kind::Floating:
        return "TZID=" + warning.value +
               " names no zone of the file or the system; its times were read as the desktop's";
    case Kind::Unfollowed:
        return warning.column +
               (warning.value == "never"    ? " never occurs"
                : warning.value == "unread" ? " cannot be read"
                : warning.value == "unbounded"
                    ? " by the hour, minute or second with limits"
                    : " not followed: the calendar's rules took " + warning.value + " s") +
               "; only its first occurrence was taken";
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

const char* CImportSummary::FormName(CRecordReader::Form form) {
    switch (form) {
    case CRecordReader::Form::VCard:
        return "vCard";
    case CRecordReader::Form::ICalendar:
        return "iCalendar";
    case CRecordReader::Form::VCalendar:
        return "vCalendar 1.0";
    case CRecordReader::Form::Ldif:
        return "LDIF";
    case CRecordReader::Form::Comma:
        return "comma-separated";
    case CRecordReader::Form::Semicolon:
        return "semicolon-separated";
    case CRecordReader::Form::Tab:
        break;
    }
    return "tab-separated";
}

void CImportSummary::AddWarning(CRecordReader::CWarning warning) {
    ++warningCount;
    if (warnings.size() < kKeptNotes)
        warnings.push_back(std::move(warning));
}

std::vector<std::string> CImportSummary::Lines(size_t listed) const {
    std::vector<std::string> lines;
    lines.push_back("read as " + encoding + ", " + FormName(form));
    if (form == CRecordReader::Form::VCard || form == CRecordReader::Form::Ldif)
        lines.push_back((form == CRecordReader::Form::VCard ? "cards read: " : "entries read: ") +
                        std::to_string(units));
    else if (form == CRecordReader::Form::ICalendar || form == CRecordReader::Form::VCalendar)
        lines.push_back("events read: " + std::to_string(units) +
                        ", occurrences added by recurrences: " + std::to_string(expanded));
    if (dryRun)
        lines.push_back("dry run: " + std::to_string(checked) +
                        " records read and checked, nothing stored");
    else
        lines.push_back("added " + std::to_string(added) + ", updated as duplicates " +
                        std::to_string(updated) + ", skipped " + std::to_string(skipped));
    lines.push_back("characters replaced with " + std::string(kSubstitute) + ": " +
                    std::to_string(substitutes) + " (in " + std::to_string(substitutedRecords) +
                    " records); warnings: " + std::to_string(warningCount));
    if (!keptBeside.empty() || keptFields > 0) {
        std::string kept = "kept beside the entries as the file gave them:";
        if (keptFields > 0)
            kept += " " + std::to_string(keptFields) + " whole field texts,";
        for (const auto& [name, count] : keptBeside)
            kept += " " + name + " " + std::to_string(count) + ",";
        kept.pop_back();
        lines.push_back(kept);
    }
    if (!notCarried.empty()) {
        std::string passed = "not carried (no field for them):";
        for (const auto& [name, count] : notCarried)
            passed += " " + name + " " + std::to_string(count) + ",";
        passed.pop_back();
        lines.push_back(passed);
    }
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
