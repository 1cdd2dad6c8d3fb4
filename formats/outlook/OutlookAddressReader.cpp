#include "OutlookAddressReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "AddressFields.h"
#include "Cp932.h"
#include "RecordDescription.h"
#include "TextFile.h"

namespace {

// Copy: the value is the field's; Append: street lines joined; Name and
// Reading: a whole name (or its reading) split at its first blank, where the
// file gives no last and first name; Phone and PhoneType: a numbered phone
// and what it is (Google's "Phone 1 - Value" and "Phone 1 - Type"), placed
// by its type when the record is done; AddressPart and AddressType likewise
// for Google's numbered addresses ("Address 1 - Street", "Address 1 - Type");
// MailLabel: what an e-mail address is ("E-mail 1 - Label"), which no field
// holds: kept beside the entry unless it is what the export writes there.
enum class Storing {
    Copy,
    Append,
    Name,
    Reading,
    Phone,
    PhoneType,
    AddressPart,
    AddressType,
    MailLabel,
    Ignore
};

struct CKnownColumn {
    const char* name; // UTF-8; compared as code page 932
    size_t offset;
    size_t size;
    Storing storing;
    bool fold;     // CR LF inside the value become blanks
    int index = 0; // Phone, PhoneType: which phone
};

#define KV_COLUMN(name, member, storing)                                                           \
    CKnownColumn {                                                                                 \
        name, offsetof(kvAddressRecord, member), sizeof(kvAddressRecord::member),                  \
            Storing::storing, true                                                                 \
    }
// A part of Google's numbered address (its business field; the home one when
// its type says home), or the address's type.
#define KV_PLACE(name, member, storing, index)                                                     \
    CKnownColumn {                                                                                 \
        name, offsetof(kvAddressRecord, member), sizeof(kvAddressRecord::member),                  \
            Storing::storing, true, index                                                          \
    }
#define KV_PHONE(name, storing, index)                                                             \
    CKnownColumn {                                                                                 \
        name, offsetof(kvAddressRecord, homePhone), sizeof(kvAddressRecord::homePhone),            \
            Storing::storing, true, index                                                          \
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
    // The same fields as other programs name them: Outlook in English,
    // Thunderbird (English and Japanese), Google Contacts (both its headers),
    // and the names a Japanese table or New Year card list uses. Matched in
    // either width and case (CHeaderName).
    KV_COLUMN("Last Name", lastName, Copy),
    KV_COLUMN("Family Name", lastName, Copy),
    KV_COLUMN("First Name", firstName, Copy),
    KV_COLUMN("Given Name", firstName, Copy),
    KV_COLUMN("Phonetic Last Name", lastNameReading, Copy),
    KV_COLUMN("Family Name Yomi", lastNameReading, Copy),
    KV_COLUMN("Yomi Last Name", lastNameReading, Copy),
    KV_COLUMN("姓フリガナ", lastNameReading, Copy),
    KV_COLUMN("姓(フリガナ)", lastNameReading, Copy),
    KV_COLUMN("姓（よみ）", lastNameReading, Copy),
    KV_COLUMN("Phonetic First Name", nameReading, Copy),
    KV_COLUMN("Given Name Yomi", nameReading, Copy),
    KV_COLUMN("Yomi First Name", nameReading, Copy),
    KV_COLUMN("名フリガナ", nameReading, Copy),
    KV_COLUMN("名(フリガナ)", nameReading, Copy),
    KV_COLUMN("名（よみ）", nameReading, Copy),
    KV_COLUMN("氏名", lastName, Name),
    KV_COLUMN("名前", lastName, Name),
    KV_COLUMN("フリガナ", lastNameReading, Reading),
    KV_COLUMN("ふりがな", lastNameReading, Reading),
    KV_COLUMN("よみ", lastNameReading, Reading),
    KV_COLUMN("よみがな", lastNameReading, Reading),
    KV_COLUMN("読み", lastNameReading, Reading),
    KV_COLUMN("Yomi Name", lastNameReading, Reading),
    KV_COLUMN("Company", company, Copy),
    KV_COLUMN("Organization", company, Copy),
    KV_COLUMN("Organization Name", company, Copy),
    KV_COLUMN("Organization 1 - Name", company, Copy),
    KV_COLUMN("勤務先", company, Copy),
    KV_COLUMN("会社", company, Copy),
    KV_COLUMN("Business Postal Code", businessPostalCode, Copy),
    KV_COLUMN("Work ZipCode", businessPostalCode, Copy),
    KV_COLUMN("勤務先の郵便番号", businessPostalCode, Copy),
    KV_COLUMN("Business State", businessPrefecture, Copy),
    KV_COLUMN("Work State", businessPrefecture, Copy),
    KV_COLUMN("勤務先の都道府県", businessPrefecture, Copy),
    KV_COLUMN("Business City", businessCity, Copy),
    KV_COLUMN("Work City", businessCity, Copy),
    KV_COLUMN("勤務先の市区町村", businessCity, Copy),
    KV_COLUMN("Business Street", businessStreet, Append),
    KV_COLUMN("Work Address", businessStreet, Append),
    KV_COLUMN("勤務先住所", businessStreet, Append),
    KV_COLUMN("Business Street 2", businessStreet, Append),
    KV_COLUMN("Work Address 2", businessStreet, Append),
    KV_COLUMN("勤務先住所 2", businessStreet, Append),
    KV_COLUMN("Business Street 3", businessStreet, Append),
    KV_COLUMN("Business Phone", businessPhone, Copy),
    KV_COLUMN("Work Phone", businessPhone, Copy),
    KV_COLUMN("勤務先電話番号", businessPhone, Copy),
    KV_COLUMN("Business Phone 2", businessPhone2, Copy),
    KV_COLUMN("Business Fax", businessFax, Copy),
    KV_COLUMN("Fax Number", businessFax, Copy),
    KV_COLUMN("FAX 番号", businessFax, Copy),
    KV_COLUMN("E-mail Address", email, Copy),
    KV_COLUMN("Primary Email", email, Copy),
    KV_COLUMN("E-mail 1 - Value", email, Copy),
    KV_COLUMN("電子メールアドレス", email, Copy),
    KV_COLUMN("E-mail", email, Copy),
    KV_COLUMN("Email", email, Copy),
    KV_COLUMN("メール", email, Copy),
    KV_COLUMN("メールアドレス", email, Copy),
    KV_COLUMN("Home State", homePrefecture, Copy),
    KV_COLUMN("自宅の都道府県", homePrefecture, Copy),
    KV_COLUMN("都道府県", homePrefecture, Copy),
    KV_COLUMN("Home City", homeCity, Copy),
    KV_COLUMN("自宅の市区町村", homeCity, Copy),
    KV_COLUMN("市区町村", homeCity, Copy),
    KV_COLUMN("Home Street", homeStreet, Append),
    KV_COLUMN("Home Address", homeStreet, Append),
    KV_COLUMN("自宅住所", homeStreet, Append),
    KV_COLUMN("番地", homeStreet, Append),
    KV_COLUMN("住所", homeStreet, Append),
    KV_COLUMN("住所1", homeStreet, Append),
    KV_COLUMN("Home Street 2", homeStreet, Append),
    KV_COLUMN("Home Address 2", homeStreet, Append),
    KV_COLUMN("自宅住所 2", homeStreet, Append),
    KV_COLUMN("建物名等", homeStreet, Append),
    KV_COLUMN("建物名", homeStreet, Append),
    KV_COLUMN("住所2", homeStreet, Append),
    KV_COLUMN("Home Street 3", homeStreet, Append),
    KV_COLUMN("Home Phone", homePhone, Copy),
    KV_COLUMN("自宅電話番号", homePhone, Copy),
    KV_COLUMN("電話", homePhone, Copy),
    KV_COLUMN("電話番号", homePhone, Copy),
    KV_COLUMN("TEL", homePhone, Copy),
    KV_COLUMN("Home Phone 2", homePhone2, Copy),
    KV_COLUMN("Mobile Phone", mobilePhone, Copy),
    KV_COLUMN("Mobile Number", mobilePhone, Copy),
    KV_COLUMN("携帯電話番号", mobilePhone, Copy),
    KV_COLUMN("携帯", mobilePhone, Copy),
    KV_COLUMN("携帯番号", mobilePhone, Copy),
    KV_COLUMN("Home Fax", homeFax, Copy),
    KV_COLUMN("E-mail 2 Address", email2, Copy),
    KV_COLUMN("Secondary Email", email2, Copy),
    KV_COLUMN("E-mail 2 - Value", email2, Copy),
    KV_COLUMN("予備の電子メールアドレス", email2, Copy),
    KV_COLUMN("Web Page", webPage, Copy),
    KV_COLUMN("Web Page 1", webPage, Copy),
    KV_COLUMN("Website 1 - Value", webPage, Copy),
    KV_COLUMN("Web ページ 1", webPage, Copy),
    CKnownColumn{"Notes", offsetof(kvAddressRecord, memo), sizeof(kvAddressRecord::memo),
                 Storing::Copy, false},
    CKnownColumn{"備考", offsetof(kvAddressRecord, memo), sizeof(kvAddressRecord::memo),
                 Storing::Copy, false},
    KV_COLUMN("Categories", category, Copy),
    KV_COLUMN("Labels", category, Copy),
    KV_PLACE("E-mail 1 - Label", email, MailLabel, 0),
    KV_PLACE("E-mail 1 - Type", email, MailLabel, 0),
    KV_PLACE("E-mail 2 - Label", email2, MailLabel, 1),
    KV_PLACE("E-mail 2 - Type", email2, MailLabel, 1),
    KV_PHONE("Phone 1 - Value", Phone, 0),
    KV_PHONE("Phone 1 - Type", PhoneType, 0),
    KV_PHONE("Phone 1 - Label", PhoneType, 0),
    KV_PHONE("Phone 2 - Value", Phone, 1),
    KV_PHONE("Phone 2 - Type", PhoneType, 1),
    KV_PHONE("Phone 2 - Label", PhoneType, 1),
    KV_PHONE("Phone 3 - Value", Phone, 2),
    KV_PHONE("Phone 3 - Type", PhoneType, 2),
    KV_PHONE("Phone 3 - Label", PhoneType, 2),
    KV_PHONE("Phone 4 - Value", Phone, 3),
    KV_PHONE("Phone 4 - Type", PhoneType, 3),
    KV_PHONE("Phone 4 - Label", PhoneType, 3),
    KV_PHONE("Phone 5 - Value", Phone, 4),
    KV_PHONE("Phone 5 - Type", PhoneType, 4),
    KV_PHONE("Phone 5 - Label", PhoneType, 4),
    KV_PHONE("Phone 6 - Value", Phone, 5),
    KV_PHONE("Phone 6 - Type", PhoneType, 5),
    KV_PHONE("Phone 6 - Label", PhoneType, 5),
    KV_PHONE("Phone 7 - Value", Phone, 6),
    KV_PHONE("Phone 7 - Type", PhoneType, 6),
    KV_PHONE("Phone 7 - Label", PhoneType, 6),
    KV_PLACE("Address 1 - Street", businessStreet, AddressPart, 0),
    KV_PLACE("Address 1 - City", businessCity, AddressPart, 0),
    KV_PLACE("Address 1 - Region", businessPrefecture, AddressPart, 0),
    KV_PLACE("Address 1 - Postal Code", businessPostalCode, AddressPart, 0),
    KV_PLACE("Address 1 - Type", businessStreet, AddressType, 0),
    KV_PLACE("Address 1 - Label", businessStreet, AddressType, 0),
    KV_PLACE("Address 2 - Street", businessStreet, AddressPart, 1),
    KV_PLACE("Address 2 - City", businessCity, AddressPart, 1),
    KV_PLACE("Address 2 - Region", businessPrefecture, AddressPart, 1),
    KV_PLACE("Address 2 - Postal Code", businessPostalCode, AddressPart, 1),
    KV_PLACE("Address 2 - Type", businessStreet, AddressType, 1),
    KV_PLACE("Address 2 - Label", businessStreet, AddressType, 1),
};

#undef KV_COLUMN
#undef KV_PHONE
#undef KV_PLACE

// A type or label in lower case, as Google's are compared ("Work", "work").
std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

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
    m_strWhole[0].clear();
    m_strWhole[1].clear();
    for (CPhone& phone : m_phones)
        phone = CPhone{};
    for (CPlace& place : m_places)
        place = CPlace{};
}

// The first rows of the table are Outlook's own names, up to 分類; then
// other programs' names for the same fields, 氏名 and フリガナ among them.
constexpr size_t kOwnColumns = 29;

std::vector<std::string> COutlookAddressReader::Targets() const {
    std::vector<std::string> targets;
    for (size_t slot = 0; slot < std::size(kColumns); ++slot)
        if (CanonicalSlot(slot) == slot && kColumns[slot].storing != Storing::Ignore &&
            kColumns[slot].storing != Storing::PhoneType &&
            kColumns[slot].storing != Storing::Phone &&
            kColumns[slot].storing != Storing::MailLabel)
            targets.push_back(kColumns[slot].name);
    return targets;
}

size_t COutlookAddressReader::CanonicalSlot(size_t slot) const {
    if (slot < kOwnColumns || slot >= std::size(kColumns))
        return slot;
    const CKnownColumn& column = kColumns[slot];
    for (size_t own = 0; own < slot; ++own)
        if (kColumns[own].offset == column.offset && kColumns[own].storing == column.storing)
            return own;
    return slot;
}

bool COutlookAddressReader::SlotStores(size_t slot) const {
    // Name, Reading, Phone and PhoneType store when the record is done.
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
    switch (target.storing) {
    case Storing::Name:
    case Storing::Reading:
        m_strWhole[target.storing == Storing::Name ? 0 : 1] = ValueUtf8();
        return;
    case Storing::Phone:
        m_phones[target.index].number = ValueUtf8();
        m_phones[target.index].slot = slot;
        return;
    case Storing::PhoneType:
        m_phones[target.index].type = ValueUtf8();
        return;
    case Storing::AddressPart:
        m_places[target.index].parts.emplace_back(slot, ValueUtf8());
        return;
    case Storing::AddressType:
        m_places[target.index].type = ValueUtf8();
        return;
    case Storing::MailLabel: {
        // The labels the Google form's export writes say only which address it is.
        static const char* const kWritten[] = {"* Work", "Other"};
        if (const std::string label = ValueUtf8();
            !label.empty() && label != kWritten[target.index ? 1 : 0])
            KeepColumn(CCp932::ToUtf8(SlotName(slot)), label, SlotName(slot));
        return;
    }
    default:
        break;
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

void COutlookAddressReader::SplitWhole(bool reading) {
    // Where the file gives no last and first name: the whole one, split at
    // its first blank of either width.
    kvAddressRecord& record = *m_pRecord;
    char* last = reading ? record.lastNameReading : record.lastName;
    char* first = reading ? record.nameReading : record.firstName;
    const std::string& whole = m_strWhole[reading ? 1 : 0];
    if (whole.empty() || last[0] != '\0' || first[0] != '\0')
        return;
    const size_t lastOffset =
        reading ? offsetof(kvAddressRecord, lastNameReading) : offsetof(kvAddressRecord, lastName);
    const size_t firstOffset =
        reading ? offsetof(kvAddressRecord, nameReading) : offsetof(kvAddressRecord, firstName);
    PutWholeName(whole, last, sizeof(record.lastName), AddressFieldName(lastOffset), first,
                 sizeof(record.firstName), AddressFieldName(firstOffset));
}

void COutlookAddressReader::PlacePhones() {
    // Each numbered phone where its type says, in the first free field; one
    // with no room is kept beside the entry.
    kvAddressRecord& record = *m_pRecord;
    for (const CPhone& phone : m_phones) {
        if (phone.number.empty())
            continue;
        const std::string type = Lower(phone.type);
        auto has = [&type](const char* word) { return type.find(word) != std::string::npos; };
        char* fields[2] = {record.homePhone, record.homePhone2};
        if (has("mobile") || has("cell"))
            fields[0] = record.mobilePhone, fields[1] = nullptr;
        else if (has("fax"))
            fields[0] = has("work") ? record.businessFax : record.homeFax, fields[1] = nullptr;
        else if (has("work"))
            fields[0] = record.businessPhone, fields[1] = record.businessPhone2;
        // A second number ("Work 2", "Home 2") takes the second field first.
        if (fields[1] != nullptr && has("2"))
            std::swap(fields[0], fields[1]);
        char* free = nullptr;
        for (char* field : fields)
            if (free == nullptr && field != nullptr && field[0] == '\0')
                free = field;
        const std::string name = CCp932::ToUtf8(SlotName(phone.slot));
        if (free == nullptr) {
            KeepColumn(name, phone.number, SlotName(phone.slot));
            continue;
        }
        const size_t offset = static_cast<size_t>(free - reinterpret_cast<char*>(m_pRecord.get()));
        PutField(free, sizeof(record.homePhone), phone.number, AddressFieldName(offset), true);
    }
}

void COutlookAddressReader::PlaceAddresses() {
    // A numbered address goes to the business fields when its type says
    // work, else to the home ones (which have no postal code: kept beside).
    for (const CPlace& place : m_places) {
        const std::string type = Lower(place.type);
        const bool work = type.find("work") != std::string::npos;
        for (const auto& [slot, text] : place.parts) {
            size_t offset = kColumns[slot].offset, size = kColumns[slot].size;
            if (!work) {
                const size_t business = offset;
                offset = 0;
#define KV_HOME(from, to)                                                                          \
    if (business == offsetof(kvAddressRecord, from))                                               \
        offset = offsetof(kvAddressRecord, to), size = sizeof(kvAddressRecord::to);
                KV_HOME(businessStreet, homeStreet)
                KV_HOME(businessCity, homeCity)
                KV_HOME(businessPrefecture, homePrefecture)
#undef KV_HOME
            }
            char* field = reinterpret_cast<char*>(m_pRecord.get()) + offset;
            const std::string name = CCp932::ToUtf8(SlotName(slot));
            if (offset == 0 || field[0] != '\0') {
                KeepColumn(name, text, SlotName(slot));
                continue;
            }
            PutField(field, size, text, AddressFieldName(offset), true);
        }
    }
}

COutlookTabReader::Step COutlookAddressReader::FinishRecord() {
    SplitWhole(false);
    SplitWhole(true);
    PlacePhones();
    PlaceAddresses();
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
