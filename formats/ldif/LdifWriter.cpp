#include "LdifWriter.h"

#include <cctype>
#include <cstdio>
#include <lber.h>
#include <ldif.h>
#include <ostream>
#include <utility>
#include <vector>

#include "AddressFields.h"
#include "ContentLine.h"
#include "LdifReader.h"
#include "Original.h"

void CLdifWriter::Attribute(const std::string& name, const std::string& value) {
    if (value.empty())
        return;
    char* line = ldif_put_wrap(LDIF_PUT_VALUE, name.c_str(), value.data(), value.size(), 0);
    if (line == nullptr)
        return;
    m_out << line;
    ber_memfree(line);
}

void CLdifWriter::Write(const kvAddressRecord& record, std::string_view original) {
    const COriginal::CParsed kept = COriginal::Parse(original);
#define KV_TEXT(member)                                                                            \
    kept.Text(AddressFieldName(offsetof(kvAddressRecord, member)), record.member,                  \
              sizeof(record.member))
    const std::string last = KV_TEXT(lastName), first = KV_TEXT(firstName);
    const std::string mail = KV_TEXT(email);
    // The columns it came with, as they were: the dn and cn among them.
    std::vector<std::pair<std::string, std::string>> columns;
    std::string dn, cn;
    CContentLine property;
    for (const std::string& line : kept.lines) {
        if (!property.Parse(line) || !CContentLine::Matches(property.Name(), "X-KELVO-COLUMN"))
            continue;
        const std::string name = property.Param("NAME");
        const std::string value = CContentLine::Unescape(property.Value(), false);
        if (name == "dn" && dn.empty())
            dn = value;
        else if (name == "cn" && cn.empty())
            cn = value;
        else if (CLdifReader::IsAttributeName(name))
            columns.emplace_back(name, value);
    }
    if (cn.empty())
        cn = last.empty() || first.empty() ? last + first : last + " " + first;
    if (dn.empty())
        dn = "cn=" + cn + (mail.empty() ? std::string() : ",mail=" + mail);
    Attribute("dn", dn);
    for (const char* kind :
         {"top", "person", "organizationalPerson", "inetOrgPerson", "mozillaAbPersonAlpha"})
        Attribute("objectclass", kind);
    Attribute("givenName", first);
    Attribute("sn", last);
    Attribute("cn", cn);
    Attribute("msDS-PhoneticLastName", KV_TEXT(lastNameReading));
    Attribute("msDS-PhoneticFirstName", KV_TEXT(nameReading));
    Attribute("mail", mail);
    Attribute("mozillaSecondEmail", KV_TEXT(email2));
    Attribute("telephoneNumber", KV_TEXT(businessPhone));
    Attribute("homePhone", KV_TEXT(homePhone));
    Attribute("mobile", KV_TEXT(mobilePhone));
    Attribute("facsimiletelephonenumber", KV_TEXT(businessFax));
    Attribute("o", KV_TEXT(company));
    Attribute("street", KV_TEXT(businessStreet));
    Attribute("l", KV_TEXT(businessCity));
    Attribute("st", KV_TEXT(businessPrefecture));
    Attribute("postalCode", KV_TEXT(businessPostalCode));
    Attribute("mozillaHomeStreet", KV_TEXT(homeStreet));
    Attribute("mozillaHomeLocalityName", KV_TEXT(homeCity));
    Attribute("mozillaHomeState", KV_TEXT(homePrefecture));
    Attribute("mozillaWorkUrl", KV_TEXT(webPage));
    Attribute("description", KV_TEXT(memo));
    Attribute("category", KV_TEXT(category));
    // Fields the record has that no attribute above takes.
    Attribute("businessPhone2", KV_TEXT(businessPhone2));
    Attribute("homePhone2", KV_TEXT(homePhone2));
    Attribute("homeFacsimileTelephoneNumber", KV_TEXT(homeFax));
#undef KV_TEXT
    for (const auto& [name, value] : columns)
        Attribute(name, value);
    m_out << "\n";
}
