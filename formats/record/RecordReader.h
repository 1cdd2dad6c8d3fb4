#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Original.h"
#include "kelvo.h"

class CContentLineReader;
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
    enum class Form { Tab, Comma, Semicolon, VCard, ICalendar, VCalendar, Ldif };
    // Something in a record that was read, though not as the file gave it.
    struct CWarning {
        enum class Kind {
            Date,
            Time,
            OpenQuote,
            TooManyColumns, // value: the most columns a record may have
            LongLine,
            Malformed,  // a card or event that cannot be read: skipped (value: why)
            Skipped,    // a component not imported (column: what, value: why)
            Cut,        // a recurrence cut short (value: how many were taken)
            Unfollowed, // a rule not followed (value: never, unbounded or seconds spent)
            Floating,   // times in a zone no one defines, read as local (value: the TZID)
            SignInside, // a duration's sign inside it, read as in front (value: as given)
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
    // The last record as it will be stored: its main fields, UTF-8, with the
    // whole texts it keeps beside it.
    virtual std::string Describe() const = 0;

    // The columns of a table's header (forms that have one): the name the
    // file gives (UTF-8), the known name it goes to ("" for none: kept beside
    // the entry) and the first values read (UTF-8).
    struct CColumn {
        static constexpr size_t kSamples = 3; // values of the first records, at most
        std::string header, target;
        std::vector<std::string> samples;
    };
    virtual std::vector<CColumn> Columns() const { return {}; }
    // A mapping the person chose, set before Begin: header name to known name
    // (UTF-8; "" not imported). Known names: the names a form's table has.
    using CMapping = std::vector<std::pair<std::string, std::string>>;
    virtual void SetMapping(const CMapping&) {}
    // After Begin: the mapping's known names that name no column of the form.
    virtual std::vector<std::string> UnknownTargets() const { return {}; }
    // The known names a mapping may give, in the order a person picks from (UTF-8).
    virtual std::vector<std::string> Targets() const { return {}; }
    // The record the last step made ready: one of the two, the other null.
    // It may be changed (the owner written in) until the next step.
    kvAddressRecord* Address() const { return m_pAddress; }
    kvScheduleRecord* Schedule() const { return m_pSchedule; }
    // What the last record's source said that the record cannot hold, kept
    // beside its entry (empty: nothing), and the UID of the recurring series
    // it is an occurrence of (empty: none).
    const COriginal& Original() const { return m_original; }
    const std::string& Series() const { return m_strSeries; }

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
    // How many warnings since the last take were only counted: a record keeps
    // at most kKeptWarnings (a card of millions of lines that are no property
    // must not hold a note for each until it ends).
    int64_t TakeUntold();
    static constexpr size_t kKeptWarnings = 64;

    // Cards or events read (forms that have them), occurrences a recurrence
    // added beyond its first, and the properties passed over, by name.
    int Units() const { return m_nUnits; }
    int Expanded() const { return m_nExpanded; }
    const std::map<std::string, int>& NotCarried() const { return m_notCarried; }
    // What has no field but was kept beside the entries, by name, and how
    // many fields' whole texts were.
    const std::map<std::string, int>& KeptBeside() const { return m_kept; }
    int KeptFields() const { return m_nKeptFields; }

protected:
    CTextFile& File() { return m_file; }
    const CTextFile& File() const { return m_file; }
    bool IsPublic() const { return m_bPublic; }
    void SetForm(Form form) { m_form = form; }
    void Warn(CWarning::Kind kind, std::string column, std::string value);
    void WarnAt(int64_t line, CWarning::Kind kind, std::string column, std::string value);
    void SetRecordLine(int64_t line) { m_nRecordLine = line; }
    void AddBytes(int64_t bytes) { m_nBytes += bytes; }
    // The next unfolded line of a content-line file (vCard, iCalendar, LDIF),
    // its bytes counted and a line cut short warned of; false at the end.
    bool NextContentLine(CContentLineReader& lines, std::string& line);
    void SetRecordSubstitutes(int count) { m_nRecordSubstitutes = count; }
    void AddRecordSubstitutes(int count) { m_nRecordSubstitutes += count; }
    void CountUnit() { ++m_nUnits; }
    void CountExpanded() { ++m_nExpanded; }
    // A property (or part of one) the record has no place for.
    void NotCarried(const std::string& what);
    // The original being built for the record being read; cleared by the
    // reader where a record begins.
    COriginal& Keep() { return m_original; }
    void SetSeries(std::string uid) { m_strSeries = std::move(uid); }
    // Fills a field of width bytes from the file's text (UTF-8 where the file
    // delivers Unicode), counting what became 〓, and keeps the whole text in
    // the original (under column, the field's stored name) where the field
    // cannot hold it.
    void PutField(char* field, size_t width, std::string_view text, const char* column);
    // The same with text UTF-8 (unicode) or code page 932, whatever the file delivers.
    void PutField(char* field, size_t width, std::string_view text, const char* column,
                  bool unicode);
    // A line the original keeps (in the file's text); counted under what
    // (code page 932), said as not carried when the original is full.
    void KeepLine(std::string_view text, const std::string& what);
    void KeepLine(std::string_view text, const std::string& what, bool unicode);
    // Lines (UTF-8) kept together, counted once under what.
    void KeepLines(const std::vector<std::string>& lines, const std::string& what);
    // The whole text (UTF-8) of a field the record could not hold.
    void KeepField(const char* column, const std::string& utf8);
    // A whole name (or reading) in one text, UTF-8, put into two fields: up to
    // its first blank of either width the first field, after it the second.
    void PutWholeName(const std::string& utf8, char* last, size_t lastWidth, const char* lastColumn,
                      char* first, size_t firstWidth, const char* firstColumn);
    // A table's column that has no field (both UTF-8), counted under what.
    void KeepColumn(const std::string& name, const std::string& value, const std::string& what);

    // Where the record's substitutes and what it keeps stand, and back to
    // there: a text stored for now, which a later one of the same value
    // replaces, counts and keeps nothing.
    struct CMark {
        size_t original = 0;
        int substitutes = 0;
        int keptFields = 0;
        std::map<std::string, int> kept;
    };
    CMark Mark() const;
    void BackTo(const CMark& mark);

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
    int64_t m_nUntold = 0;
    std::map<std::string, int> m_notCarried;
    std::map<std::string, int> m_kept;
    int m_nKeptFields = 0;
    COriginal m_original;
    std::string m_strSeries;
};
