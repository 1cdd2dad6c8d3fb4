#include "RecordReader.h"

#include <algorithm>
#include <climits>

#include "BackendTable.h"
#include "OutlookTextFile.h"

namespace {

int32_t Clamp(long long value) {
    return static_cast<int32_t>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

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

CRecordReader::Step CRecordReader::StoreAddress(kvAddressRecord& record) {
    const CBackendTable& backend = KvBackend();
    if (!IsPublic())
        backend.kvCopyText(record.owner, Owner().c_str(), sizeof(record.owner));
    if (DryRun())
        return Step::Checked;
    if (record.category[0] != '\0' && !backend.kvFindAddressCategory(record.category)) {
        if (LookupFailed("the category cannot be looked up"))
            return Step::Failed;
        if (!backend.kvAddAddressCategory(record.category))
            return Refused("the category");
    }
    if (DuplicateCheck()) {
        if (backend.kvFindDuplicateAddress(IsPublic() ? record.owner : nullptr, 0, record.lastName,
                                           record.firstName, record.company))
            return backend.kvUpdateAddress(&record) ? Step::Updated : Refused("the entry");
        if (LookupFailed("duplicates cannot be looked up"))
            return Step::Failed;
    }
    return backend.kvAddAddress(&record) ? Step::Added : Refused("the entry");
}

CRecordReader::Step CRecordReader::StoreSchedule(kvScheduleRecord& record) {
    const CBackendTable& backend = KvBackend();
    backend.kvCopyText(record.owner, Owner().c_str(), sizeof(record.owner));
    if (DryRun())
        return Step::Checked;
    if (DuplicateCheck()) {
        if (backend.kvFindDuplicateSchedule(
                nullptr, 0, Clamp(static_cast<long long>(record.start.yearsSince1900) + 1900),
                Clamp(static_cast<long long>(record.start.month) + 1), record.start.dayOfMonth,
                record.start.hours, record.start.minutes, record.allDay, record.title))
            return backend.kvUpdateSchedule(&record, 0) ? Step::Updated : Refused("the entry");
        if (LookupFailed("duplicates cannot be looked up"))
            return Step::Failed;
    }
    return backend.kvAddSchedule(&record, 0) ? Step::Added : Refused("the entry");
}

CRecordReader::Step CRecordReader::Refused(const char* what) {
    m_strFailure = KvLastError();
    if (m_strFailure.empty())
        m_strFailure = std::string(what) + " was refused";
    return Step::Failed;
}

bool CRecordReader::LookupFailed(const char* what) {
    std::string reason = KvLastError();
    if (reason.empty())
        return false;
    m_strFailure = std::string(what) + ": " + reason;
    return true;
}
