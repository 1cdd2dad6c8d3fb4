#include "VCardWriter.h"

#include <ostream>

#include "Cp932.h"

namespace {

#define KV_TEXT(record, member)                                                                    \
    CCp932::ToUtf8(CCp932::FieldText((record).member, sizeof((record).member)))

} // namespace

std::string CVCardWriter::Escape(const std::string& utf8) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        if (c == '\\' || c == ',' || c == ';') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            if (i + 1 >= utf8.size() || utf8[i + 1] != '\n')
                escaped += "\\n"; // CR LF is one line break
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void CVCardWriter::WriteLine(std::ostream& out, const std::string& line) {
    // Folded at 75 bytes, at the start of a UTF-8 character.
    size_t start = 0;
    size_t limit = 75;
    while (line.size() - start > limit) {
        size_t cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.write(line.data() + start, static_cast<std::streamsize>(cut - start));
        out << "\r\n ";
        start = cut;
        limit = 74; // the blank that continues the line counts
    }
    out.write(line.data() + start, static_cast<std::streamsize>(line.size() - start));
    out << "\r\n";
}

void CVCardWriter::Property(const std::string& name, const std::string& value) {
    if (!value.empty())
        WriteLine(m_out, name + ":" + value);
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
    WriteLine(m_out, "FN:" + Escape(full));
    std::string name = "N";
    if ((!lastReading.empty() || !firstReading.empty()) &&
        (lastReading + firstReading).find_first_of("\",") == std::string::npos)
        name += ";SORT-AS=\"" + lastReading + "," + firstReading + "\"";
    WriteLine(m_out, name + ":" + Escape(last) + ";" + Escape(first) + ";;;");
    Property("X-PHONETIC-LAST-NAME", Escape(lastReading));
    Property("X-PHONETIC-FIRST-NAME", Escape(firstReading));
    Property("ORG", Escape(KV_TEXT(record, company)));
    Property("TITLE", Escape(KV_TEXT(record, title)));
    Property("TEL;TYPE=work,voice", Escape(KV_TEXT(record, businessPhone)));
    // A second number or address without a first says which it is (PREF=2).
    const char* secondWork = record.businessPhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondHome = record.homePhone[0] == '\0' ? ";PREF=2" : "";
    const char* secondEmail = record.email[0] == '\0' ? ";PREF=2" : "";
    Property(std::string("TEL;TYPE=work,voice") + secondWork,
             Escape(KV_TEXT(record, businessPhone2)));
    Property("TEL;TYPE=work,fax", Escape(KV_TEXT(record, businessFax)));
    Property("TEL;TYPE=home,voice", Escape(KV_TEXT(record, homePhone)));
    Property(std::string("TEL;TYPE=home,voice") + secondHome, Escape(KV_TEXT(record, homePhone2)));
    Property("TEL;TYPE=cell", Escape(KV_TEXT(record, mobilePhone)));
    Property("TEL;TYPE=home,fax", Escape(KV_TEXT(record, homeFax)));
    Property("EMAIL", Escape(KV_TEXT(record, email)));
    Property(std::string("EMAIL") + secondEmail, Escape(KV_TEXT(record, email2)));
    // Post office box; extended address; street; locality; region; postal code; country.
    const std::string work = ";;" + Escape(KV_TEXT(record, businessStreet)) + ";" +
                             Escape(KV_TEXT(record, businessCity)) + ";" +
                             Escape(KV_TEXT(record, businessPrefecture)) + ";" +
                             Escape(KV_TEXT(record, businessPostalCode)) + ";";
    if (work != ";;;;;;")
        WriteLine(m_out, "ADR;TYPE=work:" + work);
    const std::string home = ";;" + Escape(KV_TEXT(record, homeStreet)) + ";" +
                             Escape(KV_TEXT(record, homeCity)) + ";" +
                             Escape(KV_TEXT(record, homePrefecture)) + ";;";
    if (home != ";;;;;;")
        WriteLine(m_out, "ADR;TYPE=home:" + home);
    Property("URL", Escape(KV_TEXT(record, webPage)));
    Property("NOTE", Escape(KV_TEXT(record, memo)));
    Property("CATEGORIES", Escape(KV_TEXT(record, category)));
    m_out << "END:VCARD\r\n";
}
