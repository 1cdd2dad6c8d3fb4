#include "OutlookTabReader.h"

#include "BackendTable.h"
#include "Cp932.h"
#include "OutlookTextFile.h"

namespace {

// The fields of one line: text up to each tab; the last one is the rest of the
// line, line end included. Nothing behind the cursor means no further field.
class CFieldSplitter {
public:
    explicit CFieldSplitter(const std::string& line) : m_line(line) {}

    bool Next(std::string& field, bool& isLast) {
        if (m_nCursor >= m_line.size())
            return false;
        size_t tab = m_line.find('\t', m_nCursor);
        size_t end = tab == std::string::npos ? m_line.size() : tab;
        field.assign(m_line, m_nCursor, end - m_nCursor);
        m_nCursor = tab == std::string::npos ? m_line.size() : tab + 1;
        isLast = m_nCursor >= m_line.size();
        return true;
    }

private:
    const std::string& m_line;
    size_t m_nCursor = 0;
};

// A value that opens a quote and does not close it on its line.
bool OpensValue(const std::string& field) {
    std::string_view text = COutlookTabReader::StripLineEnd(field);
    return !text.empty() && text.front() == '"' && (text.size() == 1 || text.back() != '"');
}

void AppendBounded(std::string& value, const std::string& text) {
    // Room for the value, its two quotes and a line end.
    const size_t limit = COutlookTabReader::kMaxValue + 3;
    if (value.size() < limit)
        value.append(text, 0, limit - value.size());
}

} // namespace

COutlookTabReader::COutlookTabReader(COutlookTextFile& file, std::vector<std::string> names,
                                     std::string owner, bool isPublic, bool duplicateCheck)
    : m_file(file), m_names(std::move(names)), m_columnMap(m_names.size(), -1),
      m_strOwner(std::move(owner)), m_bPublic(isPublic), m_bDuplicateCheck(duplicateCheck) {}

std::vector<std::string> COutlookTabReader::Cp932Names(const std::vector<const char*>& utf8) {
    std::vector<std::string> names;
    for (const char* name : utf8) {
        std::string converted;
        CCp932::FromUtf8(name, converted);
        names.push_back(converted);
    }
    return names;
}

void COutlookTabReader::OnHeaderName(int column, const std::string& name) {
    for (size_t slot = 0; slot < m_names.size(); ++slot)
        if (m_names[slot] == name)
            m_columnMap[slot] = column; // a later column of the same name wins
}

bool COutlookTabReader::HasKnownColumns() const {
    for (int column : m_columnMap)
        if (column >= 0)
            return true;
    return false;
}

void COutlookTabReader::StoreField(int column, const std::string& text) {
    for (size_t slot = 0; slot < m_columnMap.size(); ++slot)
        if (m_columnMap[slot] == column)
            StoreSlot(slot, text);
}

std::string_view COutlookTabReader::StripLineEnd(std::string_view text) {
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
    }
    return text;
}

COutlookTabReader::Start COutlookTabReader::Begin() {
    if (!ReadHeader())
        return Start::NoHeader;
    return HasKnownColumns() ? Start::Ready : Start::NoKnownColumns;
}

COutlookTabReader::Step COutlookTabReader::Next() {
    switch (ReadRecord()) {
    case Read::End:
        return Step::End;
    case Read::Blank:
        return Step::Skipped;
    case Read::Record:
        break;
    }
    m_strFailure.clear();
    return StoreRecord();
}

COutlookTabReader::Step COutlookTabReader::Refused(const char* what) {
    m_strFailure = KvLastError();
    if (m_strFailure.empty())
        m_strFailure = std::string(what) + " was refused";
    return Step::Failed;
}

bool COutlookTabReader::LookupFailed(const char* what) {
    std::string reason = KvLastError();
    if (reason.empty())
        return false;
    m_strFailure = std::string(what) + ": " + reason;
    return true;
}

std::string COutlookTabReader::HeaderEncoding() const {
    std::string_view header = m_strHeader;
    if (header.size() >= 2 && ((header[0] == '\xFF' && header[1] == '\xFE') ||
                               (header[0] == '\xFE' && header[1] == '\xFF')))
        return "UTF-16";
    if (header.substr(0, 3) == "\xEF\xBB\xBF")
        return "UTF-8 with a byte order mark";
    // Japanese names in code page 932 are hardly ever valid UTF-8 as well.
    bool nonAscii = false;
    for (size_t i = 0; i < header.size();) {
        unsigned char c = static_cast<unsigned char>(header[i]);
        size_t length = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        if (length == 0 || i + length > header.size())
            return std::string();
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(header[i + k]) & 0xC0) != 0x80)
                return std::string();
        nonAscii = nonAscii || length > 1;
        i += length;
    }
    return nonAscii ? "UTF-8" : std::string();
}

bool COutlookTabReader::ReadLine() {
    if (!m_file.ReadLine(m_line))
        return false;
    ++m_nLines;
    return true;
}

bool COutlookTabReader::ReadHeader() {
    if (!ReadLine())
        return false;
    m_strHeader = m_line;
    m_nBytes += static_cast<int64_t>(m_line.size());
    std::string_view header = StripLineEnd(m_line);
    int column = 0;
    size_t start = 0;
    for (;;) {
        size_t tab = header.find('\t', start);
        std::string_view name = header.substr(
            start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (!name.empty())
            OnHeaderName(column, std::string(name));
        if (tab == std::string_view::npos)
            break;
        ++column;
        start = tab + 1;
    }
    return true;
}

COutlookTabReader::Read COutlookTabReader::ReadRecord() {
    if (!ReadLine())
        return Read::End;
    m_nRecordLine = m_nLines;
    m_nBytes += static_cast<int64_t>(m_line.size());
    if (m_line == "\n")
        return Read::Blank;

    BeginRecord();
    std::string value;
    std::string field;
    int column = 0;
    bool continuation = false;
    for (;;) {
        CFieldSplitter splitter(m_line);
        bool isLast = false;
        bool haveField = splitter.Next(field, isLast);
        // The first field of a continuation line is part of the value until it closes.
        bool insideValue = false;
        if (!haveField) {
            continuation = false;
        } else if (continuation && !field.empty()) {
            AppendBounded(value, field);
            std::string_view text = StripLineEnd(field);
            if (!text.empty() && text.back() == '"') {
                continuation = false;
                std::string_view whole = StripLineEnd(value);
                whole.remove_suffix(1);                                 // the closing quote
                whole.remove_prefix(std::min<size_t>(1, whole.size())); // the opening quote
                field.assign(whole.substr(0, kMaxValue));
                isLast = false; // the complete value has no line end to lose
            } else {
                insideValue = true;
            }
        } else if (continuation) {
            insideValue = true;
        }

        bool lastOpens = false;
        std::string lastField;
        while (haveField) {
            bool opens = isLast && OpensValue(field);
            if (opens)
                lastField = field;
            else if (isLast && !insideValue)
                field.resize(StripLineEnd(field).size());
            if (!field.empty())
                StoreField(column, field);
            ++column;
            lastOpens = opens;
            insideValue = false;
            haveField = splitter.Next(field, isLast);
        }

        if (!continuation && !lastOpens)
            break;
        if (lastOpens) {
            value.clear();
            AppendBounded(value, lastField);
        }
        if (!ReadLine())
            break; // the file ends inside the value: the record keeps what it has
        continuation = true;
        --column;
    }
    return Read::Record;
}
