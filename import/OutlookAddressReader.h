#pragma once

#include <functional>
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

    std::string Describe() const override;
    // A record's main fields under the known column names (code page 932).
    static std::string DescribeRecord(const kvAddressRecord& record);

protected:
    void BeginRecord() override;
    void StoreSlot(size_t slot, const std::string& text) override;
    Step StoreRecord() override;

private:
    static const std::vector<std::string>& KnownNames();
    static std::string Describe(const kvAddressRecord& record,
                                const std::function<const std::string&(size_t)>& nameOf);

    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
};
