#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kelvo.h"

class COutlookTextFile;

// What every import reader shares, whatever the file's form: one record per
// step, stored through the backend table for the user owner, public or not,
// with or without the duplicate check; the warnings about what was not read
// as given; and the storing itself (categories, duplicates, refusals).
class CRecordReader {
public:
    // OtherKind: a vCard file given to the schedule import, or an iCalendar
    // file to the address import.
    enum class Start { Ready, NoHeader, NoKnownColumns, OtherKind };
    // What a step did: the file ended, a blank line (or something not to be
    // imported) was passed over, a record was added or stored over a
    // duplicate, read and checked only (a dry run), or the backend refused a
    // write (Failure() says why; the import must end there).
    enum class Step { End, Skipped, Added, Updated, Checked, Failed };
    enum class Form { Tab, Comma, VCard, ICalendar };
    // Something in a record that was read, though not as the file gave it.
    struct CWarning {
        enum class Kind {
            Date,
            Time,
            OpenQuote,
            TooManyColumns,
            LongLine,
            Malformed, // a card or event that cannot be read: skipped (value: why)
            Skipped,   // a component not imported (column: what, value: why)
            Cut,       // a recurrence cut short (value: how many were taken)
        };
        int64_t line;
        Kind kind;
        std::string column; // the known name, code page 932 (empty for OpenQuote)
        std::string value;  // code page 932
    };

    CRecordReader(COutlookTextFile& file, std::string owner, bool isPublic, bool duplicateCheck)
        : m_file(file), m_strOwner(std::move(owner)), m_bPublic(isPublic),
          m_bDuplicateCheck(duplicateCheck) {}
    virtual ~CRecordReader() = default;
    CRecordReader(const CRecordReader&) = delete;
    CRecordReader& operator=(const CRecordReader&) = delete;

    // Reads what comes before the records (a header, or nothing).
    virtual Start Begin() = 0;
    // Reads one record and stores it; End when the file is done.
    virtual Step Next() = 0;
    // The last record as it will be stored: its main fields, code page 932.
    virtual std::string Describe() const = 0;
    Form GetForm() const { return m_form; }
    // Not the tab-separated code page 932 form of older exports.
    virtual bool IsModern() const;

    // Why the last step failed (code page 932, as the backend gave it).
    const std::string& Failure() const { return m_strFailure; }
    // The line of the file on which the last record began, from 1.
    int64_t RecordLine() const { return m_nRecordLine; }
    // Bytes of the file read so far (for progress).
    int64_t BytesConsumed() const { return m_nBytes; }
    // Substitutes (characters code page 932 cannot hold) in the last record.
    int RecordSubstitutes() const { return m_nRecordSubstitutes; }
    // Warnings since the last call, taken.
    std::vector<CWarning> TakeWarnings();
    // Reads and checks without storing: steps end in Checked.
    void SetDryRun(bool dryRun) { m_bDryRun = dryRun; }

    // Cards or events read (forms that have them), occurrences a recurrence
    // added beyond its first, and the properties passed over, by name.
    int Units() const { return m_nUnits; }
    int Expanded() const { return m_nExpanded; }
    const std::map<std::string, int>& NotCarried() const { return m_notCarried; }

protected:
    COutlookTextFile& File() { return m_file; }
    const COutlookTextFile& File() const { return m_file; }
    void SetForm(Form form) { m_form = form; }
    void Warn(CWarning::Kind kind, std::string column, std::string value);
    void WarnAt(int64_t line, CWarning::Kind kind, std::string column, std::string value);
    void SetRecordLine(int64_t line) { m_nRecordLine = line; }
    void AddBytes(int64_t bytes) { m_nBytes += bytes; }
    void SetRecordSubstitutes(int count) { m_nRecordSubstitutes = count; }
    void AddRecordSubstitutes(int count) { m_nRecordSubstitutes += count; }
    void CountUnit() { ++m_nUnits; }
    void CountExpanded() { ++m_nExpanded; }
    // A property (or part of one) the record has no place for.
    void NotCarried(const std::string& what);
    bool DryRun() const { return m_bDryRun; }

    const std::string& Owner() const { return m_strOwner; }
    bool IsPublic() const { return m_bPublic; }
    bool DuplicateCheck() const { return m_bDuplicateCheck; }

    // Stores a finished record as every reader does: the owner written in,
    // a new category added, a duplicate replaced when asked; Checked in a dry
    // run. A write the backend refuses is Failed (nothing is reported as
    // stored that was not).
    Step StoreAddress(kvAddressRecord& record);
    Step StoreSchedule(kvScheduleRecord& record);

    // A backend write returned 0: keeps its reason; always Failed.
    Step Refused(const char* what);
    // A lookup returned 0: true (with the reason kept) when that was a
    // failure rather than "not found".
    bool LookupFailed(const char* what);
    void ClearFailure() { m_strFailure.clear(); }

private:
    COutlookTextFile& m_file;
    std::string m_strOwner;
    bool m_bPublic;
    bool m_bDuplicateCheck;
    Form m_form = Form::Tab;
    bool m_bDryRun = false;
    int64_t m_nBytes = 0;
    int64_t m_nRecordLine = 0;
    int m_nRecordSubstitutes = 0;
    int m_nUnits = 0;
    int m_nExpanded = 0;
    std::string m_strFailure;
    std::vector<CWarning> m_warnings;
    std::map<std::string, int> m_notCarried;
};
