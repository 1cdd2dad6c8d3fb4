#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kelvo.h"

#include "OutlookTabReader.h"

// Turns an address book exported by Outlook (tab-separated, Japanese column
// names, code page 932) into address records, one per step, stored through
// the backend table: categories added when new, duplicates by last name,
// first name and company replaced when asked.
class COutlookAddressReader : public COutlookTabReader {
public:
    // owner: the logged-in user (code page 932), written into private entries.
    COutlookAddressReader(COutlookTextFile& file, std::string owner, bool isPublic,
                          bool duplicateCheck);
    ~COutlookAddressReader() override;

    // The record as built by the last step (for tests).
    const kvAddressRecord& Record() const { return *m_pRecord; }

protected:
    void OnHeaderName(int column, const std::string& name) override;
    void BeginRecord() override;
    void StoreField(int column, const std::string& text) override;
    bool HasKnownColumns() const override;
    Step StoreRecord() override;

private:
    std::string m_strOwner;
    bool m_bPublic;
    bool m_bDuplicateCheck;
    std::vector<int> m_columnMap; // per known name: its column, or -1
    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
};
