#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class COutlookTextFile;

// Tab-separated text as Outlook exports it, read one record (one line, or
// several when a quoted value spans lines) at a time, for the user owner's
// entries, public or not, with or without the duplicate check. The base keeps
// the known header names (one slot each) and which file column carries each;
// derived readers say where a slot's text goes and how a record is stored.
//
// Rules: the first line names the columns, split at every tab (an empty name
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
    // was added or stored over a duplicate, or the backend refused a write
    // (Failure() says why; the import must end there).
    enum class Step { End, Skipped, Added, Updated, Failed };

    // The most bytes a value that spans lines keeps: the largest field's text.
    static constexpr size_t kMaxValue = 32767;

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

    // The encoding the header line seems to be in when it is not code page
    // 932: "UTF-16", "UTF-8 with a byte order mark" or "UTF-8"; else empty.
    std::string HeaderEncoding() const;

    static std::string_view StripLineEnd(std::string_view text);

protected:
    // names: the known header names as the file holds them (code page 932),
    // one per slot. owner (code page 932) is written into the entries.
    COutlookTabReader(COutlookTextFile& file, std::vector<std::string> names, std::string owner,
                      bool isPublic, bool duplicateCheck);

    // The known names, from UTF-8, converted once per table.
    static std::vector<std::string> Cp932Names(const std::vector<const char*>& utf8);

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
    void OnHeaderName(int column, const std::string& name);
    bool HasKnownColumns() const;
    void StoreField(int column, const std::string& text);
    // Reads the header line; false when the file has none.
    bool ReadHeader();
    // Reads the lines of one record, handing its fields to StoreField.
    Read ReadRecord();
    // Reads a line, counting it.
    bool ReadLine();

    COutlookTextFile& m_file;
    std::vector<std::string> m_names;
    std::vector<int> m_columnMap; // per slot: the file column, or -1
    std::string m_strOwner;
    bool m_bPublic;
    bool m_bDuplicateCheck;
    int64_t m_nBytes = 0;
    int64_t m_nLines = 0;
    int64_t m_nRecordLine = 0;
    std::string m_line;
    std::string m_strHeader;
    std::string m_strFailure;
};
