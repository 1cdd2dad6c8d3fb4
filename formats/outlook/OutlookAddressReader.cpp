#include "OutlookAddressReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "AddressFields.h"
#include "Cp932.h"
#include "RecordDescription.h"
#include "TextFile.h"

namespace {

enum class Storing { Copy, Append, Ignore };

struct CKnownColumn {
    const char* name; // UTF-8; compared as code page 932
    size_t offset;
    size_t size;
    Storing storing;
    bool fold; // CR LF inside the value become blanks
};

#define KV_COLUMN(name, member, storing)                                                           \
    CKnownColumn {                                                                                 \
        name, offsetof(kvAddressRecord, member), sizeof(kvAddressRecord::member),                  \
            Storing::storing, true                                                                 \
    }

const CKnownColumn kColumns[] = {
    KV_COLUMN("姓", lastName, Copy),
    KV_COLUMN("姓ﾌﾘｶﾞﾅ", lastNameReading, Copy),
    KV_COLUMN("名", firstName, Copy),
    KV_COLUMN("名前ﾌﾘｶﾞﾅ", nameReading, Copy),
    KV_COLUMN("会社名", company, Copy),
    CKnownColumn{"会社名ﾌﾘｶﾞﾅ", 0, 0, Storing::Ignore, false},
    KV_COLUMN("郵便番号 (会社)", businessPostalCode, Copy),
    KV_COLUMN("都道府県 (会社)", businessPrefecture, Copy),
    KV_COLUMN("市町村 (会社)", businessCity, Copy),
    KV_COLUMN("番地 (会社)", businessStreet, Append),
    KV_COLUMN("住所 2 (会社)", businessStreet, Append),
    KV_COLUMN("住所 3 (会社)", businessStreet, Append),
    KV_COLUMN("会社電話", businessPhone, Copy),
    KV_COLUMN("会社電話 2", businessPhone2, Copy),
    KV_COLUMN("会社 FAX", businessFax, Copy),
    KV_COLUMN("電子ﾒｰﾙ ｱﾄﾞﾚｽ", email, Copy),
    KV_COLUMN("都道府県 (自宅)", homePrefecture, Copy),
    KV_COLUMN("市町村 (自宅)", homeCity, Copy),
    KV_COLUMN("番地 (自宅)", homeStreet, Append),
    KV_COLUMN("住所 2 (自宅)", homeStreet, Append),
    KV_COLUMN("住所 3 (自宅)", homeStreet, Append),
    KV_COLUMN("自宅電話", homePhone, Copy),
    KV_COLUMN("自宅電話 2", homePhone2, Copy),
    KV_COLUMN("携帯電話", mobilePhone, Copy),
    KV_COLUMN("自宅 FAX", homeFax, Copy),
    KV_COLUMN("電子ﾒｰﾙ 2 ｱﾄﾞﾚｽ", email2, Copy),
    KV_COLUMN("Web ﾍﾟｰｼﾞ", webPage, Copy),
    CKnownColumn{"ﾒﾓ", offsetof(kvAddressRecord, memo), sizeof(kvAddressRecord::memo),
                 Storing::Copy, false},
    KV_COLUMN("分類", category, Copy),
};

#undef KV_COLUMN

} // namespace

const std::vector<const char*>& COutlookAddressReader::Names() {
    // The stored name of each column's field, found once.
    static const std::vector<const char*> names = [] {
        std::vector<const char*> found;
        for (const CKnownColumn& column : kColumns)
            found.push_back(column.storing == Storing::Ignore ? nullptr
                                                              : AddressFieldName(column.offset));
        return found;
    }();
    return names;
}

const std::vector<std::string>& COutlookAddressReader::KnownNames() {
    static const std::vector<std::string> names = [] {
        std::vector<const char*> utf8;
        for (const CKnownColumn& column : kColumns)
            utf8.push_back(column.name);
        return Cp932Names(utf8);
    }();
    return names;
}

COutlookAddressReader::COutlookAddressReader(CTextFile& file, bool isPublic)
    : COutlookTabReader(file, KnownNames(), isPublic),
      m_pRecord(std::make_unique<kvAddressRecord>()) {
    std::memset(m_pRecord.get(), 0, sizeof(kvAddressRecord));
}

COutlookAddressReader::~COutlookAddressReader() = default;

void COutlookAddressReader::BeginRecord() {
    // Clearing 36 KB per record would dominate an import: the memo is cleared
    // only as far as the previous record wrote it.
    kvAddressRecord& record = *m_pRecord;
    std::memset(&record, 0, offsetof(kvAddressRecord, memo));
    std::memset(record.memo, 0, m_nMemoUsed);
    m_nMemoUsed = 0;
    for (CJoined& joined : m_joined) {
        joined.text.clear();
        joined.used = joined.lost = false;
    }
}

bool COutlookAddressReader::SlotStores(size_t slot) const {
    return slot < std::size(kColumns) && kColumns[slot].storing != Storing::Ignore;
}

void COutlookAddressReader::StoreSlot(size_t slot, const std::string& text) {
    if (slot >= std::size(kColumns) || kColumns[slot].storing == Storing::Ignore)
        return;
    const CKnownColumn& target = kColumns[slot];
    std::string folded;
    const std::string* value = &text;
    if (target.fold && text.find("\r\n") != std::string::npos) {
        for (char c : text)
            if (c != '\r')
                folded += c == '\n' ? ' ' : c;
        value = &folded;
    }
    char* field = reinterpret_cast<char*>(m_pRecord.get()) + target.offset;
    if (target.storing == Storing::Copy) {
        PutText(field, target.size, *value, Names()[slot]);
        if (target.offset == offsetof(kvAddressRecord, memo))
            m_nMemoUsed = std::max(m_nMemoUsed, std::min(value->size() + 1, target.size));
        return;
    }
    // Street lines are joined in file order, with nothing between them.
    size_t used = CCp932::FieldLength(field, target.size);
    if (used + 1 < target.size)
        CCp932::CopyText(field + used, value->c_str(), static_cast<int>(target.size - used));
    // Converted only where the field lost something (rare): kept as it came.
    CJoined& joined = m_joined[target.offset == offsetof(kvAddressRecord, businessStreet) ? 0 : 1];
    joined.offset = target.offset;
    joined.used = true;
    joined.text += Value();
    joined.lost = joined.lost || ValueLost() ||
                  CCp932::FieldLength(field, target.size) < used + value->size();
}

COutlookTabReader::Step COutlookAddressReader::FinishRecord() {
    for (const CJoined& joined : m_joined)
        if (joined.used && joined.lost)
            KeepField(AddressFieldName(joined.offset),
                      File().DeliversUnicode() ? joined.text : CCp932::ToUtf8(joined.text));
    return Deliver(*m_pRecord);
}

std::string COutlookAddressReader::Describe() const {
    // Under the names the file gives the columns.
    return CRecordDescription::Address(
        *m_pRecord,
        [this](size_t offset) {
            for (size_t slot = 0; slot < std::size(kColumns); ++slot)
                if (kColumns[slot].offset == offset && kColumns[slot].storing == Storing::Copy)
                    return SlotName(slot);
            return std::string();
        },
        &Original());
}
