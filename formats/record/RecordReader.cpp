#include "RecordReader.h"

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
    m_warnings.push_back(CWarning{line, kind, std::move(column), std::move(value)});
}

void CRecordReader::NotCarried(const std::string& what) {
    auto found = m_notCarried.find(what);
    if (found != m_notCarried.end())
        ++found->second;
    else if (m_notCarried.size() < kKeptNames)
        m_notCarried.emplace(what, 1);
    else
        ++m_notCarried[kOtherNames];
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
