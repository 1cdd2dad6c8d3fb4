#include "RecordReader.h"

#include <utility>

#include "ContentLineReader.h"
#include "Cp932.h"
#include "FieldText.h"
#include "TextFile.h"

namespace {

// Distinct names of properties passed over that are kept apart; the rest of
// a hostile file's invented names are counted together.
constexpr size_t kKeptNames = 40;
const char kOtherNames[] = "(other)";

} // namespace

bool CRecordReader::IsModern() const {
    return m_form != Form::Tab || m_file.IsUnicode();
}

std::vector<CRecordReader::CWarning> CRecordReader::TakeWarnings() {
    std::vector<CWarning> taken;
    taken.swap(m_warnings);
    return taken;
}

void CRecordReader::Warn(CWarning::Kind kind, std::string column, std::string value) {
    WarnAt(m_nRecordLine, kind, std::move(column), std::move(value));
}

void CRecordReader::WarnAt(int64_t line, CWarning::Kind kind, std::string column,
                           std::string value) {
    if (m_warnings.size() < kKeptWarnings)
        m_warnings.push_back(CWarning{line, kind, std::move(column), std::move(value)});
    else
        ++m_nUntold;
}

int64_t CRecordReader::TakeUntold() {
    return std::exchange(m_nUntold, 0);
}

namespace {

void Count(std::map<std::string, int>& names, const std::string& what) {
    auto found = names.find(what);
    if (found != names.end())
        ++found->second;
    else if (names.size() < kKeptNames)
        names.emplace(what, 1);
    else
        ++names[kOtherNames];
}

} // namespace

void CRecordReader::PutWholeName(const std::string& utf8, char* last, size_t lastWidth,
                                 const char* lastColumn, char* first, size_t firstWidth,
                                 const char* firstColumn) {
    size_t blank = utf8.find(' '), width = 1;
    if (const size_t wide = utf8.find("\xE3\x80\x80"); wide < blank) // U+3000
        blank = wide, width = 3;
    PutField(last, lastWidth, utf8.substr(0, blank), lastColumn, true);
    if (blank != std::string::npos)
        PutField(first, firstWidth, utf8.substr(blank + width), firstColumn, true);
}

CRecordReader::CMark CRecordReader::Mark() const {
    return CMark{m_original.Text().size(), m_nRecordSubstitutes, m_nKeptFields, m_kept};
}

void CRecordReader::BackTo(const CMark& mark) {
    m_original.Truncate(mark.original);
    m_nRecordSubstitutes = mark.substitutes;
    m_nKeptFields = mark.keptFields;
    m_kept = mark.kept;
}

void CRecordReader::NotCarried(const std::string& what) {
    Count(m_notCarried, what);
}

void CRecordReader::PutField(char* field, size_t width, std::string_view text, const char* column) {
    PutField(field, width, text, column, m_file.DeliversUnicode());
}

void CRecordReader::PutField(char* field, size_t width, std::string_view text, const char* column,
                             bool unicode) {
    const CFieldText::CResult result = CFieldText::Put(field, width, text, unicode);
    m_nRecordSubstitutes += result.substitutes;
    if (result.lost && column != nullptr)
        KeepField(column, unicode ? std::string(text) : CCp932::ToUtf8(text));
}

void CRecordReader::KeepLines(const std::vector<std::string>& lines, const std::string& what) {
    if (lines.empty())
        return;
    // All of them or none: a part would be no whole.
    size_t bytes = m_original.Text().size();
    for (const std::string& line : lines)
        bytes += line.size() + 2;
    if (bytes > KV_ORIGINAL_MAX) {
        NotCarried(what + " (beyond what is kept beside an entry)");
        return;
    }
    for (const std::string& line : lines)
        m_original.Line(line);
    Count(m_kept, what);
}

void CRecordReader::KeepField(const char* column, const std::string& utf8) {
    if (m_original.Field(column, utf8))
        ++m_nKeptFields;
    else
        NotCarried("(beyond what is kept beside an entry)");
}

void CRecordReader::KeepColumn(const std::string& name, const std::string& value,
                               const std::string& what) {
    if (m_original.Column(name, value))
        Count(m_kept, what);
    else
        NotCarried(what + " (beyond what is kept beside an entry)");
}

void CRecordReader::KeepLine(std::string_view text, const std::string& what) {
    KeepLine(text, what, m_file.DeliversUnicode());
}

void CRecordReader::KeepLine(std::string_view text, const std::string& what, bool unicode) {
    if (m_original.Line(unicode ? std::string(text) : CCp932::ToUtf8(text)))
        Count(m_kept, what);
    else
        NotCarried(what + " (beyond what is kept beside an entry)");
}

CRecordReader::Step CRecordReader::Deliver(kvAddressRecord& record) {
    m_pAddress = &record;
    m_pSchedule = nullptr;
    return Step::Record;
}

CRecordReader::Step CRecordReader::Deliver(kvScheduleRecord& record) {
    m_pAddress = nullptr;
    m_pSchedule = &record;
    return Step::Record;
}

bool CRecordReader::NextContentLine(CContentLineReader& lines, std::string& line) {
    const int64_t before = lines.Bytes();
    const bool more = lines.Next(line);
    AddBytes(lines.Bytes() - before);
    if (more && lines.Cut())
        WarnAt(lines.Line(), CWarning::Kind::LongLine, std::string(), std::string());
    return more;
}
