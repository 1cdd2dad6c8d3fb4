#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CsvParser.h"

class COutlookTextFile;

// Text as Outlook exports it, read one record (one line, or several when a
// quoted value spans lines) at a time, for the user owner's entries, public or
// not, with or without the duplicate check. The base keeps the known header
// names (one slot each) and which file column carries each; derived readers
// say where a slot's text goes and how a record is stored.
//
// Two forms: tab-separated (what older exports write, read by the rules
// below) and comma-separated (RFC 4180, what current exports write), told
// apart by the header: it is comma-separated when it names known columns
// split at commas and none split at tabs. Header names match whichever width
// they are written in (CHeaderName).
//
// Tab-separated rules: the first line names the columns, split at every tab (an empty name
// is a column that matches nothing). Data fields are split at every tab and
// numbered like the header; empty fields are not stored. The last field of a
// line loses its line end. A last field that begins with a double quote and
// does not close it on its line continues on the following lines: the first
// field of each following line is appended (with the line break as LF) until
// one ends with a quote; the value is stored without its quotes under its
// column, after any partial texts. A line holding only a line end where a
// record would begin is skipped.
class COutlookTabReader {
public:
    enum class Start { Ready, NoHeader, NoKnownColumns };
    // What a step did: the file ended, a blank line was passed over, a record
    // was added or stored over a duplicate, read and checked only (a dry run),
    // or the backend refused a write (Failure() says why; the import must end
    // there).
    enum class Step { End, Skipped, Added, Updated, Checked, Failed };
    enum class Form { Tab, Comma };
    // Something in a record that was read, though not as the file gave it.
    struct CWarning {
        enum class Kind { Date, Time, OpenQuote, TooManyColumns, LongLine };
        int64_t line;
        Kind kind;
        std::string column; // the known name, code page 932 (empty for OpenQuote)
        std::string value;  // code page 932
    };

    // The most bytes a value that spans lines keeps: the largest field's text.
    static constexpr size_t kMaxValue = 32767;
    // More columns than any export writes: a header or record with more is refused.
    static constexpr size_t kMaxColumns = 1000;

    virtual ~COutlookTabReader() = default;

    // Reads the header. A file whose header names no known column has nothing
    // to import.
    Start Begin();
    // Reads one record and stores it; End when the file is done.
    Step Next();
    // Why the last step failed (code page 932, as the backend gave it).
    const std::string& Failure() const { return m_strFailure; }
    // The line of the file on which the last record began, from 1.
    int64_t RecordLine() const { return m_nRecordLine; }
    // Header length plus the first line of every record read, as read.
    int64_t BytesConsumed() const { return m_nBytes; }

    Form GetForm() const { return m_form; }
    // Comma-separated, or Unicode: what current exports write (as against the
    // tab-separated code page 932 form of older ones).
    bool IsModern() const;
    // Substitutes (characters code page 932 cannot hold) in the last record.
    int RecordSubstitutes() const { return m_nRecordSubstitutes; }
    // Warnings since the last call, taken.
    std::vector<CWarning> TakeWarnings();
    // Reads and checks without storing: steps end in Checked.
    void SetDryRun(bool dryRun) { m_bDryRun = dryRun; }
    // The last record as it will be stored: its main fields, code page 932.
    virtual std::string Describe() const = 0;

    static std::string_view StripLineEnd(std::string_view text);

protected:
    // names: the known header names as the file holds them (code page 932),
    // one per slot. owner (code page 932) is written into the entries.
    COutlookTabReader(COutlookTextFile& file, std::vector<std::string> names, std::string owner,
                      bool isPublic, bool duplicateCheck);

    // The known names, from UTF-8, converted once per table.
    static std::vector<std::string> Cp932Names(const std::vector<const char*>& utf8);
    // Whether the known name of slot counts in this file (some only in the
    // forms current exports write).
    virtual bool SlotApplies(size_t) const { return true; }
    // The known name of slot, code page 932.
    // A column's name as the file gives it (the known name when it has none).
    const std::string& SlotName(size_t slot) const {
        return m_given[slot].empty() ? m_names[slot] : m_given[slot];
    }
    void Warn(CWarning::Kind kind, size_t slot, const std::string& value);
    bool DryRun() const { return m_bDryRun; }

    virtual void BeginRecord() = 0;
    // Stores the text of a field whose column carries the known name of slot.
    virtual void StoreSlot(size_t slot, const std::string& text) = 0;
    // Hands the finished record to the backend: Added, Updated or Failed.
    virtual Step StoreRecord() = 0;

    const std::string& Owner() const { return m_strOwner; }
    bool IsPublic() const { return m_bPublic; }
    bool DuplicateCheck() const { return m_bDuplicateCheck; }

    // A backend write returned 0: keeps its reason; always Failed.
    Step Refused(const char* what);
    // A lookup returned 0: true (with the reason kept) when that was a
    // failure rather than "not found".
    bool LookupFailed(const char* what);

private:
    enum class Read { End, Blank, Record };
    // How many of names (column numbers and names) are known names.
    size_t KnownCount(const std::vector<std::pair<int, std::string>>& names) const;
    void OnHeaderName(int column, const std::string& name);
    bool HasKnownColumns() const;
    void StoreField(int column, const std::string& text);
    // Reads the header line; false when the file has none.
    bool ReadHeader();
    // Reads the lines of one record, handing its fields to StoreField.
    Read ReadRecord();
    // The rest of a record begun on m_line, in each form.
    void ReadTabRecord();
    void ReadCommaRecord();
    // Reads a line, counting it.
    bool ReadLine();

    COutlookTextFile& m_file;
    std::vector<std::string> m_names;               // code page 932, as given
    std::vector<std::string> m_folded;              // as CHeaderName folds them
    std::vector<std::string> m_given;               // per slot: the name in the file's header
    std::vector<int> m_columnMap;                   // per slot: the file column, or -1
    std::vector<std::vector<size_t>> m_columnSlots; // per file column: the slots it feeds
    std::string m_strOwner;
    bool m_bPublic;
    bool m_bDuplicateCheck;
    int64_t m_nBytes = 0;
    int64_t m_nLines = 0;
    int64_t m_nRecordLine = 0;
    std::string m_line;
    std::string m_strFailure;
    Form m_form = Form::Tab;
    CCsvParser m_csv;
    bool m_bDryRun = false;
    int m_nRecordSubstitutes = 0;
    std::vector<CWarning> m_warnings;
    bool m_bTooManyColumns = false; // the header has more than kMaxColumns
    bool m_bSkipRecord = false;     // the record read has more than kMaxColumns
};
