#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CsvParser.h"
#include "RecordReader.h"

class CTextFile;

// Text as Outlook exports it, read one record (one line, or several when a
// quoted value spans lines) at a time. The base keeps the known header names
// (one slot each) and which file column carries each; derived readers say
// where a slot's text goes and hand the finished record out.
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
class COutlookTabReader : public CRecordReader {
public:
    // The most bytes a value that spans lines keeps: what an entry keeps
    // beside its record at most (its field keeps what fits).
    static constexpr size_t kMaxValue = 1u << 20;
    // More columns than any export writes: a header or record with more is refused.
    static constexpr size_t kMaxColumns = 1000;

    // Reads the header. A file whose header names no known column has nothing
    // to import.
    Start Begin() override;
    // Reads one record; End when the file is done.
    Step Next() override;

    static std::string_view StripLineEnd(std::string_view text);

    std::vector<CColumn> Columns() const override;
    void SetMapping(const CMapping& mapping) override;
    std::vector<std::string> UnknownTargets() const override { return m_unknownTargets; }

protected:
    // names: the known header names as the file holds them (code page 932),
    // one per slot.
    COutlookTabReader(CTextFile& file, std::vector<std::string> names, bool isPublic);

    // The known names, from UTF-8, converted once per table.
    static std::vector<std::string> Cp932Names(const std::vector<const char*>& utf8);
    // Whether the known name of slot counts in this file (some only in the
    // forms current exports write).
    virtual bool SlotApplies(size_t) const { return true; }
    // The slot whose name stands for slot's field (another program's name
    // for a field stands for ours).
    virtual size_t CanonicalSlot(size_t slot) const { return slot; }
    // The known name of slot, code page 932.
    // A column's name as the file gives it (the known name when it has none).
    const std::string& SlotName(size_t slot) const {
        return m_given[slot].empty() ? m_names[slot] : m_given[slot];
    }
    using CRecordReader::Warn;
    // A warning about the value of slot's column (value without its line end).
    void Warn(CWarning::Kind kind, size_t slot, const std::string& value);

    virtual void BeginRecord() = 0;
    // Stores the text of a field whose column carries the known name of slot
    // (code page 932, converted where the file is Unicode).
    virtual void StoreSlot(size_t slot, const std::string& text) = 0;
    // Whether slot's text goes anywhere; a column that feeds none is kept
    // beside the entry, under its name.
    virtual bool SlotStores(size_t) const { return true; }
    // While StoreSlot runs: the value's text as the file gave it (Value: as
    // the file delivers it; ValueUtf8: converted), and whether its code page
    // 932 form lost or changed characters.
    const std::string& Value() const { return *m_pValue; }
    std::string ValueUtf8() const;
    bool ValueLost() const { return m_bValueLost; }
    // Fills a field from text (the slot's), keeping the value's whole text
    // beside the entry (under column) where the field cannot hold it.
    void PutText(char* field, size_t width, const std::string& text, const char* column);
    // Hands the finished record out (Deliver).
    virtual Step FinishRecord() = 0;

private:
    enum class Read { End, Blank, Record };
    // Whether a quoted value of a tab-separated record is open at a line's end.
    enum class Quote { Closed, Open };
    // A value that spans lines: its text so far and the line it began on.
    struct CSpanningValue {
        std::string text;
        int64_t line = 0;
    };
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
    // One line of a tab-separated record, its fields stored from column on;
    // quote: whether the line continues value. Whether a value is open at
    // its end (value then holds it).
    Quote ReadTabLine(Quote quote, int& column, CSpanningValue& value);
    // Reads a line, counting it.
    bool ReadLine();

    std::vector<std::string> m_names;               // code page 932, as given
    std::vector<std::string> m_folded;              // as CHeaderName folds them
    std::vector<std::string> m_given;               // per slot: the name in the file's header
    std::vector<std::string> m_header;              // per file column: its name, as the file has it
    std::vector<std::string> m_headerCp932;         // the same in code page 932
    std::vector<int> m_columnMap;                   // per slot: the file column, or -1
    std::vector<std::vector<size_t>> m_columnSlots; // per file column: the slots it feeds
    // The person's mapping, folded: header name to known name ("" none).
    std::vector<std::pair<std::string, std::string>> m_mapping;
    std::vector<std::string> m_unknownTargets;
    std::vector<std::vector<std::string>> m_samples; // per file column, UTF-8
    int64_t m_nRecords = 0;                          // records begun
    int64_t m_nLines = 0;
    std::string m_line;
    CCsvParser m_csv;
    bool m_bTooManyColumns = false; // the header has more than kMaxColumns
    bool m_bSkipRecord = false;     // the record read has more than kMaxColumns
    // The value being stored: as the file gave it, converted, and whether
    // the conversion lost or changed characters.
    const std::string* m_pValue = nullptr;
    // The column of a value's text stored for now (-1: none), and what
    // stood before it.
    int m_nStoredForNow = -1;
    CMark m_storedForNow;
    std::string m_converted;
    bool m_bValueLost = false;
};
