#include "OutlookTabReader.h"

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
    Step step = ReadRecord();
    if (step == Step::Record) {
        StoreRecord();
        ++m_nStored;
    }
    return step;
}

bool COutlookTabReader::ReadHeader() {
    if (!m_file.ReadLine(m_line))
        return false;
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

COutlookTabReader::Step COutlookTabReader::ReadRecord() {
    if (!m_file.ReadLine(m_line))
        return Step::End;
    m_nBytes += static_cast<int64_t>(m_line.size());
    if (m_line == "\n")
        return Step::Skipped;

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
        if (!m_file.ReadLine(m_line))
            break; // the file ends inside the value: the record keeps what it has
        continuation = true;
        --column;
    }
    return Step::Record;
}
