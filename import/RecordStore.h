#pragma once

#include <string>
#include <utility>

#include "kelvo.h"

class COriginal;
class CRecordReader;

// Stores the records an import reads, through the backend table, as every
// import does whatever the file's form: the owner written into the entries
// (an address's only when it is private), a new category added, a duplicate
// replaced when asked; in a dry run nothing is stored, only checked. A write
// the backend refuses is Failed, with its reason: nothing is reported as
// stored that was not.
class CRecordStore {
public:
    enum class Result { Added, Updated, Checked, Failed };

    // owner: code page 932, whose entries these are.
    CRecordStore(std::string owner, bool isPublic, bool duplicateCheck, bool dryRun = false)
        : m_strOwner(std::move(owner)), m_bPublic(isPublic), m_bDuplicateCheck(duplicateCheck),
          m_bDryRun(dryRun) {}

    // The record reader made ready with its last step, with what its source
    // said that the record cannot hold (kept beside the entry).
    Result Store(const CRecordReader& reader);
    Result Store(kvAddressRecord& record);
    Result Store(kvScheduleRecord& record);

    // Why the last store failed (code page 932, as the backend gave it).
    const std::string& Failure() const { return m_strFailure; }

private:
    // A backend write returned 0: keeps its reason; always Failed.
    Result Refused(const char* what);
    // A lookup returned 0: true (with the reason kept) when that was a
    // failure rather than "not found".
    bool LookupFailed(const char* what);
    // Hands the original and series of the record being stored to the
    // backend, before its duplicate is looked for; false when refused.
    bool SetOriginal(int kind);

    std::string m_strOwner;
    bool m_bPublic;
    bool m_bDuplicateCheck;
    bool m_bDryRun;
    std::string m_strFailure;
    const COriginal* m_pOriginal = nullptr; // of the record being stored, if any
    const std::string* m_pSeries = nullptr;
};
