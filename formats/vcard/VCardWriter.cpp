#include "VCardWriter.h"

#include <ostream>

#include "ContentLine.h"
#include "Cp932.h"

namespace {

#define KV_TEXT(record, member)                                                                    \
    CCp932::ToUtf8(CCp932::FieldText((record).member, sizeof((record).member)))

} // namespace

void CVCardWriter::Property(const std::string& name, const std::string& value) {
    if (!value.empty())
        CContentLine::WriteFolded(m_out, name + ":" + value);
}

void CVCardWriter::Write(const kvAddressRecord& record) {
    const std::string last = KV_TEXT(record, lastName);
    const std::string first = KV_TEXT(record, firstName);
    const std::string lastReading = KV_TEXT(record, lastNameReading);
    const std::string firstReading = KV_TEXT(record, nameReading);
    m_out << "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    // The name as Japanese write it; empty when the entry has none (the
    // import reads FN only where N is empty).
    std::string full = last + (!last.empty() && !first.empty() ? " " : "") + first;
    CContentLine::WriteFolded(m_out, "FN:" + CContentLine::Escape(full));
    std::string name = "N";
    if ((!lastReading.empty() || !firstReading.empty()) &&
        (lastReading + firstReading).find_first_of("\",") == std::string::npos)
        name += ";SORT-AS=\"" + lastReading + "," + firstReading + "\"";
    CContentLine::WriteFolded(m_out, name + ":" + CContentLine::Escape(last) + ";" +
                                         CContentLine::Escape(first) + ";;;");
    Property("X-PHONETIC-LAST-NAME", CContentLine::Escape(lastReading));
    Property("X-PHONETIC-FIRST-NAME", CContentLine::Escape(firstReading));
    Property("ORG", CContentLine::Escape(KV_TEXT(record, company)));
    Property("TITLE", CContentLine::Escape(KV_TEXT(record, title)));
    Property("TEL;TYPE=work,voice", CContentLine::Escape(KV_TEXT(record, businessPhone)));
    // A second number or address without a first says which it is (PREF=2).
    const char* secondWork = record.businessPhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondHome = record.homePhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondEmail = record.email[0] == '\0' ? ";PREF=2" : "";
    Property(std::string("TEL;TYPE=work,voice") + secondWork,
             CContentLine::Escape(KV_TEXT(record, businessPhone2)));
    Property("TEL;TYPE=work,fax", CContentLine::Escape(KV_TEXT(record, businessFax)));
    Property("TEL;TYPE=home,voice", CContentLine::Escape(KV_TEXT(record, homePhone)));
    Property(std::string("TEL;TYPE=home,voice") + secondHome,
             CContentLine::Escape(KV_TEXT(record, homePhone2)));
    Property("TEL;TYPE=cell", CContentLine::Escape(KV_TEXT(record, mobilePhone)));
    Property("TEL;TYPE=home,fax", CContentLine::Escape(KV_TEXT(record, homeFax)));
    Property("EMAIL", CContentLine::Escape(KV_TEXT(record, email)));
    Property(std::string("EMAIL") + secondEmail, CContentLine::Escape(KV_TEXT(record, email2)));
    // Post office box; extended address; street; locality; region; postal code; country.
    const std::string work = ";;" + CContentLine::Escape(KV_TEXT(record, businessStreet)) + ";" +
                             CContentLine::Escape(KV_TEXT(record, businessCity)) + ";" +
                             CContentLine::Escape(KV_TEXT(record, businessPrefecture)) + ";" +
                             CContentLine::Escape(KV_TEXT(record, businessPostalCode)) + ";";
    if (work != ";;;;;;")
        CContentLine::WriteFolded(m_out, "ADR;TYPE=work:" + work);
    const std::string home = ";;" + CContentLine::Escape(KV_TEXT(record, homeStreet)) + ";" +
                             CContentLine::Escape(KV_TEXT(record, homeCity)) + ";" +
                             CContentLine::Escape(KV_TEXT(record, homePrefecture)) + ";;";
    if (home != ";;;;;;")
        CContentLine::WriteFolded(m_out, "ADR;TYPE=home:" + home);
    Property("URL", CContentLine::Escape(KV_TEXT(record, webPage)));
    Property("NOTE", CContentLine::Escape(KV_TEXT(record, memo)));
    Property("CATEGORIES", CContentLine::Escape(KV_TEXT(record, category)));
    m_out << "END:VCARD\r\n";
}
