#include "VCardWriter.h"

#include <ostream>
#include <vector>

#include "AddressFields.h"
#include "ContentLine.h"
#include "Original.h"

namespace {

// The parts of a structured value (UTF-8), each unescaped.
std::vector<std::string> Parts(std::string_view value, size_t count) {
    std::vector<std::string> parts = CContentLine::Split(value, ';', count, false);
    parts.resize(count);
    return parts;
}

// A card's own line kept beside an entry, by the property it stands for.
struct CInPlace {
    std::string fullName, name, org, workAddress, homeAddress, categories;
};

} // namespace

void CVCardWriter::Property(const std::string& name, const std::string& value) {
    if (!value.empty())
        CContentLine::WriteFolded(m_out, name + ":" + value);
}

void CVCardWriter::Write(const kvAddressRecord& record, std::string_view original) {
    const COriginal::CParsed kept = COriginal::Parse(original);
    // Each field's Unicode text: the whole one kept beside it where it still applies.
#define KV_TEXT(member)                                                                            \
    kept.Text(AddressFieldName(offsetof(kvAddressRecord, member)), record.member,                  \
              sizeof(record.member))
    const std::string last = KV_TEXT(lastName);
    const std::string first = KV_TEXT(firstName);
    const std::string lastReading = KV_TEXT(lastNameReading);
    const std::string firstReading = KV_TEXT(nameReading);
    const std::string company = KV_TEXT(company);
    const std::string category = KV_TEXT(category);
    const std::string businessStreet = KV_TEXT(businessStreet);
    const std::string businessCity = KV_TEXT(businessCity);
    const std::string businessPrefecture = KV_TEXT(businessPrefecture);
    const std::string businessPostalCode = KV_TEXT(businessPostalCode);
    const std::string homeStreet = KV_TEXT(homeStreet);
    const std::string homeCity = KV_TEXT(homeCity);
    const std::string homePrefecture = KV_TEXT(homePrefecture);

    // The card's own lines that say more than the fields, where they still
    // stand for them; the rest go after the groupware's own.
    CInPlace inPlace;
    std::vector<const std::string*> others;
    CContentLine property;
    for (const std::string& line : kept.lines) {
        if (!property.Parse(line)) {
            others.push_back(&line);
            continue;
        }
        const std::string_view name = property.Name();
        std::string* slot = nullptr;
        if (name == "FN") {
            slot = &inPlace.fullName;
        } else if (name == "N") {
            std::vector<std::string> parts = Parts(property.Value(), 5);
            if (parts[0] == last && parts[1] == first)
                slot = &inPlace.name;
        } else if (name == "ORG") {
            if (Parts(property.Value(), 2)[0] == company)
                slot = &inPlace.org;
        } else if (name == "CATEGORIES") {
            std::vector<std::string> names = CContentLine::Split(property.Value(), ',', 2, false);
            if (!names.empty() && names[0] == category)
                slot = &inPlace.categories;
        } else if (name == "ADR") {
            // Post office box; extended address; street; locality; region; postal code; country.
            std::vector<std::string> parts = Parts(property.Value(), 7);
            std::string street = parts[2];
            for (size_t i : {1, 0})
                if (!parts[i].empty())
                    street += (street.empty() ? "" : " ") + parts[i];
            if (street == businessStreet && parts[3] == businessCity &&
                parts[4] == businessPrefecture && parts[5] == businessPostalCode)
                slot = &inPlace.workAddress;
            else if (street == homeStreet && parts[3] == homeCity && parts[4] == homePrefecture)
                slot = &inPlace.homeAddress;
        } else {
            others.push_back(&line);
            continue;
        }
        // A line that no longer stands for its fields is left out.
        if (slot != nullptr && slot->empty())
            *slot = line;
    }
    auto write = [this](const std::string& inPlaceLine, const std::string& own) {
        CContentLine::WriteFolded(m_out, inPlaceLine.empty() ? own : inPlaceLine);
    };

    m_out << "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    // The name as Japanese write it; empty when the entry has none (the
    // import reads FN only where N is empty).
    std::string full = last + (!last.empty() && !first.empty() ? " " : "") + first;
    write(inPlace.fullName, "FN:" + CContentLine::Escape(full));
    std::string name = "N";
    if ((!lastReading.empty() || !firstReading.empty()) &&
        (lastReading + firstReading).find_first_of("\",") == std::string::npos)
        name += ";SORT-AS=\"" + lastReading + "," + firstReading + "\"";
    write(inPlace.name,
          name + ":" + CContentLine::Escape(last) + ";" + CContentLine::Escape(first) + ";;;");
    Property("X-PHONETIC-LAST-NAME", CContentLine::Escape(lastReading));
    Property("X-PHONETIC-FIRST-NAME", CContentLine::Escape(firstReading));
    if (!inPlace.org.empty())
        write(inPlace.org, std::string());
    else
        Property("ORG", CContentLine::Escape(company));
    Property("TITLE", CContentLine::Escape(KV_TEXT(title)));
    Property("TEL;TYPE=work,voice", CContentLine::Escape(KV_TEXT(businessPhone)));
    // A second number or address without a first says which it is (PREF=2).
    const char* secondWork = record.businessPhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondHome = record.homePhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondEmail = record.email[0] == '\0' ? ";PREF=2" : "";
    Property(std::string("TEL;TYPE=work,voice") + secondWork,
             CContentLine::Escape(KV_TEXT(businessPhone2)));
    Property("TEL;TYPE=work,fax", CContentLine::Escape(KV_TEXT(businessFax)));
    Property("TEL;TYPE=home,voice", CContentLine::Escape(KV_TEXT(homePhone)));
    Property(std::string("TEL;TYPE=home,voice") + secondHome,
             CContentLine::Escape(KV_TEXT(homePhone2)));
    Property("TEL;TYPE=cell", CContentLine::Escape(KV_TEXT(mobilePhone)));
    Property("TEL;TYPE=home,fax", CContentLine::Escape(KV_TEXT(homeFax)));
    Property("EMAIL", CContentLine::Escape(KV_TEXT(email)));
    Property(std::string("EMAIL") + secondEmail, CContentLine::Escape(KV_TEXT(email2)));
    // Post office box; extended address; street; locality; region; postal code; country.
    const std::string work = ";;" + CContentLine::Escape(businessStreet) + ";" +
                             CContentLine::Escape(businessCity) + ";" +
                             CContentLine::Escape(businessPrefecture) + ";" +
                             CContentLine::Escape(businessPostalCode) + ";";
    if (!inPlace.workAddress.empty())
        write(inPlace.workAddress, std::string());
    else if (work != ";;;;;;")
        CContentLine::WriteFolded(m_out, "ADR;TYPE=work:" + work);
    const std::string home = ";;" + CContentLine::Escape(homeStreet) + ";" +
                             CContentLine::Escape(homeCity) + ";" +
                             CContentLine::Escape(homePrefecture) + ";;";
    if (!inPlace.homeAddress.empty())
        write(inPlace.homeAddress, std::string());
    else if (home != ";;;;;;")
        CContentLine::WriteFolded(m_out, "ADR;TYPE=home:" + home);
    Property("URL", CContentLine::Escape(KV_TEXT(webPage)));
    Property("NOTE", CContentLine::Escape(KV_TEXT(memo)));
    if (!inPlace.categories.empty())
        write(inPlace.categories, std::string());
    else
        Property("CATEGORIES", CContentLine::Escape(category));
#undef KV_TEXT
    // Everything else the card came with, as it came.
    for (const std::string* line : others)
        CContentLine::WriteFolded(m_out, *line);
    m_out << "END:VCARD\r\n";
}
