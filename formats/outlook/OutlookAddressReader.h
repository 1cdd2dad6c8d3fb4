#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OutlookTabReader.h"
#include "kelvo.h"

// Turns an address book exported by Outlook (tab- or comma-separated,
// Japanese column names) into address records, one per step.
class COutlookAddressReader : public COutlookTabReader {
public:
    COutlookAddressReader(CTextFile& file, bool isPublic);
    ~COutlookAddressReader() override;

    std::string Describe() const override;

protected:
    void BeginRecord() override;
    void StoreSlot(size_t slot, const std::string& text) override;
    Step FinishRecord() override;

private:
    static const std::vector<std::string>& KnownNames();

    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
};
