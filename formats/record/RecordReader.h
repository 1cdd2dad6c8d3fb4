#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kelvo.h"

class CTextFile;

// What every form's reader shares: one record per step from the file, the
// warnings about what was not read as given, and the counts a summary gives.
// A reader only reads: it hands each finished record to whoever steps it
// (the import stores it, import/RecordStore.h), and knows nothing of the
// groupware behind.
class CRecordReader {
public:
    enum class Start { Ready, NoHeader, NoKnownColumns };
    // What a step did: the file ended, a blank line (or something not to be
    // imported) was passed over, or a record is ready (Address() or Schedule()).
    enum class Step { End, Skipped, Record };
    enum class Form { Tab, Comma, VCard, ICalendar };
    // Something in a record that was read, though not as the file gave it.
    struct CWarning {
        enum class Kind {
            Date,
            Time,
            OpenQuote,
            TooManyColumns, // value: the most columns a record may have
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

    // isPublic: the records are the public ones (a schedule says so itself).
    CRecordReader(CTextFile& file, bool isPublic) : m_file(file), m_bPublic(isPublic) {}
    virtual ~CRecordReader() = default;
    CRecordReader(const CRecordReader&) = delete;
    CRecordReader& operator=(const CRecordReader&) = delete;

    // Reads what comes before the records (a header, or nothing).
    virtual Start Begin() = 0;
    // Reads one record; End when the file is done.
    virtual Step Next() = 0;
    // The last record as it will be stored: its main fields, code page 932.
    virtual std::string Describe() const = 0;
    // The record the last step made ready: one of the two, the other null.
    // It may be changed (the owner written in) until the next step.
    kvAddressRecord* Address() const { return m_pAddress; }
    kvScheduleRecord* Schedule() const { return m_pSchedule; }

    Form GetForm() const { return m_form; }
    // Not the tab-separated code page 932 form of older exports.
    virtual bool IsModern() const;

    // The line of the file on which the last record began, from 1.
    int64_t RecordLine() const { return m_nRecordLine; }
    // Bytes of the file read so far (for progress).
    int64_t BytesConsumed() const { return m_nBytes; }
    // Substitutes (characters code page 932 cannot hold) in the last record.
    int RecordSubstitutes() const { return m_nRecordSubstitutes; }
    // Warnings since the last call, taken.
    std::vector<CWarning> TakeWarnings();

    // Cards or events read (forms that have them), occurrences a recurrence
    // added beyond its first, and the properties passed over, by name.
    int Units() const { return m_nUnits; }
    int Expanded() const { return m_nExpanded; }
    const std::map<std::string, int>& NotCarried() const { return m_notCarried; }

protected:
    CTextFile& File() { return m_file; }
    const CTextFile& File() const { return m_file; }
    bool IsPublic() const { return m_bPublic; }
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

    // Hands a finished record out: always Record.
    Step Deliver(kvAddressRecord& record);
    Step Deliver(kvScheduleRecord& record);

private:
    CTextFile& m_file;
    bool m_bPublic;
    Form m_form = Form::Tab;
    int64_t m_nBytes = 0;
    int64_t m_nRecordLine = 0;
    int m_nRecordSubstitutes = 0;
    int m_nUnits = 0;
    int m_nExpanded = 0;
    kvAddressRecord* m_pAddress = nullptr;
    kvScheduleRecord* m_pSchedule = nullptr;
    std::vector<CWarning> m_warnings;
    std::map<std::string, int> m_notCarried;
};
