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
    std::vector<std::string> Targets() const override;

protected:
    void BeginRecord() override;
    void StoreSlot(size_t slot, const std::string& text) override;
    bool SlotStores(size_t slot) const override;
    size_t CanonicalSlot(size_t slot) const override;
    Step FinishRecord() override;

private:
    static const std::vector<std::string>& KnownNames();
    // Per slot, the stored name of its field (kelvo.h's originals name them so).
    static const std::vector<const char*>& Names();

    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
    // Street lines joined into one field (two of them: the business and the
    // home street): their whole text as the file gave it, and whether the
    // field lost anything of it.
    struct CJoined {
        size_t offset = 0;
        std::string text;
        bool used = false;
        bool lost = false;
    };
    CJoined m_joined[2];
    // A whole name and its reading (UTF-8), split when the record is done.
    std::string m_strWhole[2];
    void SplitWhole(bool reading);
    // Numbered phones and their types (UTF-8), placed when the record is done.
    struct CPhone {
        std::string number, type;
        size_t slot = 0;
    };
    CPhone m_phones[7];
    void PlacePhones();
    // Numbered addresses: their parts (by slot) and type (UTF-8).
    struct CPlace {
        std::vector<std::pair<size_t, std::string>> parts;
        std::string type;
    };
    CPlace m_places[2];
    void PlaceAddresses();
};
