#pragma once

#include <map>
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
    bool SlotStores(size_t slot) const override;
    Step FinishRecord() override;

private:
    static const std::vector<std::string>& KnownNames();

    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
    // Street lines joined into one field: their whole text as the file gave
    // it, and whether the field lost anything of it, by the field's offset.
    std::map<size_t, std::pair<std::string, bool>> m_joined;
};
