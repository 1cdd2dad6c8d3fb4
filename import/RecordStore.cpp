#include "RecordStore.h"

#include <algorithm>
#include <climits>

#include "BackendTable.h"
#include "Original.h"
#include "RecordReader.h"

namespace {

int32_t Clamp(long long value) {
    return static_cast<int32_t>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

} // namespace

CRecordStore::Result CRecordStore::Store(const CRecordReader& reader) {
    m_pOriginal = &reader.Original();
    m_pSeries = &reader.Series();
    const Result result =
        reader.Address() != nullptr ? Store(*reader.Address()) : Store(*reader.Schedule());
    m_pOriginal = nullptr;
    m_pSeries = nullptr;
    return result;
}

bool CRecordStore::SetOriginal(int kind) {
    const bool original = m_pOriginal != nullptr && !m_pOriginal->Empty();
    const bool series = m_pSeries != nullptr && !m_pSeries->empty();
    // Nothing to say is said by saying nothing: an entry written without
    // one has none.
    if (!original && !series)
        return true;
    return KvBackend().kvSetNextOriginal(kind, original ? m_pOriginal->Text().c_str() : nullptr,
                                         series ? m_pSeries->c_str() : nullptr) != 0;
}

CRecordStore::Result CRecordStore::Store(kvAddressRecord& record) {
    m_strFailure.clear();
    const CBackendTable& backend = KvBackend();
    if (!m_bPublic)
        backend.kvCopyText(record.owner, m_strOwner.c_str(), sizeof(record.owner));
    if (m_bDryRun)
        return Result::Checked;
    if (!SetOriginal(KV_KIND_ADDRESS))
        return Refused("what the entry keeps beside it");
    if (record.category[0] != '\0' && !backend.kvFindAddressCategory(record.category)) {
        if (LookupFailed("the category cannot be looked up"))
            return Result::Failed;
        if (!backend.kvAddAddressCategory(record.category))
            return Refused("the category");
    }
    if (m_bDuplicateCheck) {
        if (backend.kvFindDuplicateAddress(m_bPublic ? record.owner : nullptr, 0, record.lastName,
                                           record.firstName, record.company))
            return backend.kvUpdateAddress(&record) ? Result::Updated : Refused("the entry");
        if (LookupFailed("duplicates cannot be looked up"))
            return Result::Failed;
    }
    return backend.kvAddAddress(&record) ? Result::Added : Refused("the entry");
}

CRecordStore::Result CRecordStore::Store(kvScheduleRecord& record) {
    m_strFailure.clear();
    const CBackendTable& backend = KvBackend();
    backend.kvCopyText(record.owner, m_strOwner.c_str(), sizeof(record.owner));
    if (m_bDryRun)
        return Result::Checked;
    if (!SetOriginal(KV_KIND_SCHEDULE))
        return Refused("what the entry keeps beside it");
    if (m_bDuplicateCheck) {
        const kvTimeBlock& start = record.start;
        if (backend.kvFindDuplicateSchedule(
                nullptr, 0, Clamp(static_cast<long long>(start.yearsSince1900) + 1900),
                Clamp(static_cast<long long>(start.month) + 1), start.dayOfMonth, start.hours,
                start.minutes, record.allDay, record.title))
            return backend.kvUpdateSchedule(&record, 0) ? Result::Updated : Refused("the entry");
        if (LookupFailed("duplicates cannot be looked up"))
            return Result::Failed;
    }
    return backend.kvAddSchedule(&record, 0) ? Result::Added : Refused("the entry");
}

CRecordStore::Result CRecordStore::Refused(const char* what) {
    m_strFailure = KvLastError();
    if (m_strFailure.empty())
        m_strFailure = std::string(what) + " was refused";
    return Result::Failed;
}

bool CRecordStore::LookupFailed(const char* what) {
    std::string reason = KvLastError();
    if (reason.empty())
        return false;
    m_strFailure = std::string(what) + ": " + reason;
    return true;
}
