#include "OutlookTabReader.h"

#include <algorithm>

#include "Cp932.h"
#include "FieldText.h"
#include "FormulaGuard.h"
#include "HeaderName.h"
#include "PropertyText.h"
#include "TextFile.h"

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

COutlookTabReader::COutlookTabReader(CTextFile& file, std::vector<std::string> names, bool isPublic)
    : CRecordReader(file, isPublic), m_names(std::move(names)), m_given(m_names.size()),
      m_columnMap(m_names.size(), -1) {
    for (const std::string& name : m_names)
        m_folded.push_back(CHeaderName::Fold(name));
}

void COutlookTabReader::Warn(CWarning::Kind kind, size_t slot, const std::string& value) {
    Warn(kind, slot < m_names.size() ? m_names[slot] : std::string(),
         std::string(StripLineEnd(value)));
}

size_t COutlookTabReader::KnownCount(const std::vector<std::pair<int, std::string>>& names) const {
    size_t known = 0;
    for (const auto& name : names) {
        std::string folded = CHeaderName::Fold(name.second);
        for (const std::string& slot : m_folded)
            if (!folded.empty() && folded == slot) {
                ++known;
                break;
            }
    }
    return known;
}

std::vector<std::string> COutlookTabReader::Cp932Names(const std::vector<const char*>& utf8) {
    std::vector<std::string> names;
    for (const char* name : utf8) {
        std::string converted;
        CCp932::FromUtf8(name, converted);
        names.push_back(converted);
    }
    return names;
}

void COutlookTabReader::SetMapping(const CMapping& mapping) {
    m_mapping.clear();
    for (const auto& [header, target] : mapping)
        m_mapping.emplace_back(CHeaderName::FoldUtf8(header), CHeaderName::FoldUtf8(target));
    // Known names the mapping gives that this form has no column of.
    m_unknownTargets.clear();
    for (size_t i = 0; i < mapping.size(); ++i)
        if (!m_mapping[i].second.empty() &&
            std::find(m_folded.begin(), m_folded.end(), m_mapping[i].second) == m_folded.end())
            m_unknownTargets.push_back(mapping[i].second);
}

std::vector<CRecordReader::CColumn> COutlookTabReader::Columns() const {
    std::vector<CColumn> columns;
    for (size_t at = 0; at < m_header.size(); ++at) {
        CColumn column;
        column.header = File().DeliversUnicode() ? m_header[at] : CCp932::ToUtf8(m_header[at]);
        if (at < m_columnSlots.size())
            for (size_t slot : m_columnSlots[at])
                if (SlotStores(slot) && column.target.empty())
                    column.target = CCp932::ToUtf8(m_names[CanonicalSlot(slot)]);
        if (at < m_samples.size())
            column.samples = m_samples[at];
        columns.push_back(std::move(column));
    }
    return columns;
}

void COutlookTabReader::OnHeaderName(int column, const std::string& name) {
    std::string folded = CHeaderName::Fold(name);
    // The person's choice for this name comes first: a known name, or none.
    for (const auto& [header, target] : m_mapping)
        if (header == folded) {
            if (target.empty())
                return;
            folded = target;
            break;
        }
    for (size_t slot = 0; slot < m_folded.size(); ++slot)
        if (m_folded[slot] == folded && SlotApplies(slot)) {
            m_columnMap[slot] = column; // a later column of the same name wins
            std::string_view given = StripLineEnd(name);
            while (!given.empty() && (given.front() == ' ' || given.front() == '"'))
                given.remove_prefix(1);
            while (!given.empty() && (given.back() == ' ' || given.back() == '"'))
                given.remove_suffix(1);
            m_given[slot].assign(given);
        }
}

bool COutlookTabReader::HasKnownColumns() const {
    for (int column : m_columnMap)
        if (column >= 0)
            return true;
    return false;
}

void COutlookTabReader::StoreField(int column, const std::string& text) {
    if (column < 0)
        return;
    const size_t at = static_cast<size_t>(column);
    // The first values of each column, for a person choosing where it goes.
    if (m_nRecords <= static_cast<int64_t>(CColumn::kSamples) && at < m_header.size()) {
        if (m_samples.size() < m_header.size())
            m_samples.resize(m_header.size());
        if (m_samples[at].size() < CColumn::kSamples)
            m_samples[at].push_back(File().DeliversUnicode() ? text : CCp932::ToUtf8(text));
    }
    // Google's contacts join a field's values with " ::: ": the first is the
    // field's, the rest kept beside the entry under the column's name.
    if (const size_t joint = text.find(" ::: ");
        joint != std::string::npos && GetForm() != Form::Tab && at < m_header.size() &&
        !m_header[at].empty() && at < m_columnSlots.size() && !m_columnSlots[at].empty()) {
        const std::string rest = text.substr(joint + 5);
        KeepColumn(File().DeliversUnicode() ? m_header[at] : CCp932::ToUtf8(m_header[at]),
                   File().DeliversUnicode() ? rest : CCp932::ToUtf8(rest), m_headerCp932[at]);
        StoreField(column, text.substr(0, joint));
        return;
    }
    // Unicode text is converted here, once, and its characters code page
    // 932 has no form for are counted with the record.
    m_pValue = &text;
    m_bValueLost = false;
    const std::vector<size_t> none;
    const std::vector<size_t>& slots = static_cast<size_t>(column) < m_columnSlots.size()
                                           ? m_columnSlots[static_cast<size_t>(column)]
                                           : none;
    const bool stored =
        std::any_of(slots.begin(), slots.end(), [this](size_t slot) { return SlotStores(slot); });
    // Only a value a field takes is converted, and its lost characters
    // counted: one kept beside the entry loses none.
    const std::string* value = &text;
    if (stored && File().DeliversUnicode()) {
        int substitutes = 0;
        m_bValueLost = CFieldText::Convert(text, m_converted, substitutes);
        AddRecordSubstitutes(substitutes);
        value = &m_converted;
    }
    for (size_t slot : slots)
        StoreSlot(slot, *value);
    // A column with no field: its value is kept beside the entry, under its name.
    if (!stored && at < m_header.size() && !m_header[at].empty())
        KeepColumn(File().DeliversUnicode() ? m_header[at] : CCp932::ToUtf8(m_header[at]),
                   ValueUtf8(), m_headerCp932[at]);
    m_pValue = nullptr;
}

std::string COutlookTabReader::ValueUtf8() const {
    if (m_pValue == nullptr)
        return std::string();
    return File().DeliversUnicode() ? *m_pValue : CCp932::ToUtf8(*m_pValue);
}

void COutlookTabReader::PutText(char* field, size_t width, const std::string& text,
                                const char* column) {
    CCp932::CopyText(field, text.c_str(), static_cast<int>(width));
    const bool cut = CCp932::FieldLength(field, width) < text.size();
    if ((cut || m_bValueLost) && column != nullptr)
        KeepField(column, ValueUtf8());
}

std::string_view COutlookTabReader::StripLineEnd(std::string_view text) {
    // LF, CR LF, or a lone CR (older Mac programs): CTextFile ends a
    // line at each.
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
    } else if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    return text;
}

COutlookTabReader::Start COutlookTabReader::Begin() {
    if (!ReadHeader())
        return Start::NoHeader;
    if (m_bTooManyColumns) {
        SetRecordLine(m_nLines);
        Warn(CWarning::Kind::TooManyColumns, std::string(), std::to_string(kMaxColumns));
        return Start::NoKnownColumns;
    }
    return HasKnownColumns() ? Start::Ready : Start::NoKnownColumns;
}

COutlookTabReader::Step COutlookTabReader::Next() {
    SetRecordSubstitutes(0);
    Read read = ReadRecord();
    // The characters code page 932 could not hold, counted for the record they are in.
    AddRecordSubstitutes(File().TakeSubstitutes(File().Consumed()));
    switch (read) {
    case Read::End:
        return Step::End;
    case Read::Blank:
        return Step::Skipped;
    case Read::Record:
        if (m_bSkipRecord)
            return Step::Skipped;
        break;
    }
    return FinishRecord();
}

bool COutlookTabReader::ReadLine() {
    if (!File().ReadLine(m_line))
        return false;
    ++m_nLines;
    if (File().LastLineCut())
        WarnAt(m_nLines, CWarning::Kind::LongLine, std::string(), std::string());
    return true;
}

bool COutlookTabReader::ReadHeader() {
    if (!ReadLine())
        return false;
    AddBytes(static_cast<int64_t>(m_line.size()));
    std::string header(StripLineEnd(m_line));
    // Split at tabs: every tab separates, an empty name is a column of its own.
    std::vector<std::pair<int, std::string>> tabNames;
    int column = 0;
    size_t start = 0;
    for (;;) {
        size_t tab = header.find('\t', start);
        std::string name =
            header.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        if (!name.empty())
            tabNames.emplace_back(column, name);
        if (tab == std::string::npos)
            break;
        if (static_cast<size_t>(++column) >= kMaxColumns) {
            m_bTooManyColumns = true; // no export writes such a header
            return true;
        }
        start = tab + 1;
    }
    // Split at commas, as comma-separated text has it, and at semicolons, as
    // a spreadsheet where the comma is the decimal mark writes it.
    std::vector<std::pair<int, std::string>> commaNames, semicolonNames;
    for (const auto& [separator, split] :
         {std::pair{',', &commaNames}, std::pair{';', &semicolonNames}}) {
        if (header.find(separator) == std::string::npos)
            continue;
        std::vector<std::string> fields = CCsvParser::SplitLine(header, separator);
        if (fields.size() >= kMaxColumns) {
            m_bTooManyColumns = true;
            return true;
        }
        for (size_t i = 0; i < fields.size(); ++i)
            split->emplace_back(static_cast<int>(i), fields[i]);
    }
    // Names are matched in code page 932: Unicode ones are converted for it.
    auto matched = [this](std::vector<std::pair<int, std::string>> names) {
        if (File().DeliversUnicode())
            for (auto& name : names) {
                std::string converted;
                int ignored = 0;
                CFieldText::Convert(name.second, converted, ignored);
                name.second.swap(converted);
            }
        return names;
    };
    // The split that names the most known columns; where none names one, the
    // split that gives the most columns, so that what is said of the file is
    // right. Ties go to tabs, then commas.
    struct CCandidate {
        Form form;
        const std::vector<std::pair<int, std::string>>* given;
        std::vector<std::pair<int, std::string>> names;
        size_t known;
    };
    CCandidate candidates[] = {{Form::Tab, &tabNames, matched(tabNames), 0},
                               {Form::Comma, &commaNames, matched(commaNames), 0},
                               {Form::Semicolon, &semicolonNames, matched(semicolonNames), 0}};
    for (auto& candidate : candidates)
        candidate.known = KnownCount(candidate.names);
    const CCandidate* chosen = &candidates[0];
    for (const auto& candidate : candidates)
        if (candidate.known > chosen->known || (chosen->known == 0 && candidate.known == 0 &&
                                                candidate.given->size() > chosen->given->size()))
            chosen = &candidate;
    SetForm(chosen->form);
    m_csv.SetSeparator(chosen->form == Form::Semicolon ? ';' : ',');
    const auto& given = *chosen->given;
    const auto& names = chosen->names;
    const size_t columns = given.empty() ? 0 : static_cast<size_t>(given.back().first) + 1;
    m_header.assign(columns, std::string());
    m_headerCp932.assign(columns, std::string());
    for (size_t i = 0; i < names.size(); ++i) {
        // As the file has it, for what a column with no field keeps.
        m_header[static_cast<size_t>(given[i].first)] = given[i].second;
        m_headerCp932[static_cast<size_t>(names[i].first)] = names[i].second;
        if (!names[i].second.empty())
            OnHeaderName(names[i].first, names[i].second);
    }
    // Each field then goes straight to the slots its column feeds.
    for (size_t slot = 0; slot < m_columnMap.size(); ++slot) {
        int fed = m_columnMap[slot];
        if (fed < 0)
            continue;
        if (static_cast<size_t>(fed) >= m_columnSlots.size())
            m_columnSlots.resize(static_cast<size_t>(fed) + 1);
        m_columnSlots[static_cast<size_t>(fed)].push_back(slot);
    }
    return true;
}

COutlookTabReader::Read COutlookTabReader::ReadRecord() {
    if (!ReadLine())
        return Read::End;
    SetRecordLine(m_nLines);
    AddBytes(static_cast<int64_t>(m_line.size()));
    if (m_line == "\n" || m_line == "\r")
        return Read::Blank;
    m_bSkipRecord = false;
    ++m_nRecords;
    Keep().Clear();
    BeginRecord();
    if (GetForm() != Form::Tab)
        ReadCommaRecord();
    else
        ReadTabRecord();
    return Read::Record;
}

void COutlookTabReader::ReadCommaRecord() {
    m_csv.Begin();
    while (!m_csv.Feed(m_line)) {
        // A quoted value goes on; the file may end inside it.
        if (!ReadLine()) {
            m_csv.Finish();
            Warn(CWarning::Kind::OpenQuote, m_names.size(), std::string());
            break;
        }
    }
    if (m_csv.Overflowed()) {
        // More fields than any export writes: not a record of one.
        Warn(CWarning::Kind::TooManyColumns, std::string(), std::to_string(kMaxColumns));
        m_bSkipRecord = true;
        return;
    }
    const std::vector<std::string>& fields = m_csv.Fields();
    for (size_t i = 0; i < m_csv.Count(); ++i) {
        // A cell an export guarded against spreadsheets has its apostrophe taken off.
        if (CFormulaGuard::IsGuarded(fields[i]))
            StoreField(static_cast<int>(i), fields[i].substr(1));
        else if (!fields[i].empty())
            StoreField(static_cast<int>(i), fields[i]);
    }
}

void COutlookTabReader::ReadTabRecord() {
    m_nStoredForNow = -1;
    CSpanningValue value;
    int column = 0;
    Quote quote = Quote::Closed;
    while ((quote = ReadTabLine(quote, column, value)) == Quote::Open) {
        if (!ReadLine()) {
            // The file ends inside the value: the record keeps what it has,
            // and the summary says where the value began.
            WarnAt(value.line, CWarning::Kind::OpenQuote, std::string(), std::string());
            return;
        }
        --column; // a continuation's first field is the open value's column
    }
}

COutlookTabReader::Quote COutlookTabReader::ReadTabLine(Quote quote, int& column,
                                                        CSpanningValue& value) {
    CFieldSplitter splitter(m_line);
    std::string field;
    bool isLast = false;
    if (!splitter.Next(field, isLast))
        return Quote::Closed; // a line without fields ends a value
    // The first field of a continuation line is part of the value until it closes.
    bool insideValue = false;
    if (quote == Quote::Open && !field.empty()) {
        AppendBounded(value.text, field);
        std::string_view text = StripLineEnd(field);
        if (!text.empty() && text.back() == '"') {
            quote = Quote::Closed;
            std::string_view whole = StripLineEnd(value.text);
            whole.remove_suffix(1);                                 // the closing quote
            whole.remove_prefix(std::min<size_t>(1, whole.size())); // the opening quote
            field.assign(whole.substr(0, kMaxValue));
            isLast = false; // the complete value has no line end to lose
        } else {
            insideValue = true;
        }
    } else if (quote == Quote::Open) {
        insideValue = true;
    }
    bool lastOpens = false;
    std::string lastField;
    for (bool more = true; more; more = splitter.Next(field, isLast)) {
        const bool opens = isLast && OpensValue(field);
        if (opens)
            lastField = field;
        else if (isLast && !insideValue)
            field.resize(StripLineEnd(field).size());
        if (!field.empty()) {
            // A value over lines is stored at each of them, as far as it
            // goes (a field filled by append keeps the parts); what its
            // last store keeps and counts stands for all of them.
            if (column == m_nStoredForNow)
                BackTo(m_storedForNow);
            m_nStoredForNow = -1;
            if (opens || insideValue) {
                m_storedForNow = Mark();
                m_nStoredForNow = column;
            }
            StoreField(column, field);
        }
        if (static_cast<size_t>(++column) > kMaxColumns && !m_bSkipRecord) {
            Warn(CWarning::Kind::TooManyColumns, std::string(), std::to_string(kMaxColumns));
            m_bSkipRecord = true;
        }
        lastOpens = opens;
        insideValue = false;
    }
    if (!lastOpens)
        return quote;
    // The last field opens a value that goes on in the next line.
    value.text.clear();
    AppendBounded(value.text, lastField);
    value.line = m_nLines;
    return Quote::Open;
}
