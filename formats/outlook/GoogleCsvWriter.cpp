#include "GoogleCsvWriter.h"

#include <ostream>

#include "AddressFields.h"
#include "FormulaGuard.h"
#include "Original.h"

void CGoogleCsvWriter::Line(const std::vector<std::string>& values) {
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            line += ',';
        // A spreadsheet shows a guarded cell as text; the import takes the apostrophe off.
        const std::string value =
            CFormulaGuard::NeedsGuard(values[i]) ? "'" + values[i] : values[i];
        if (value.find_first_of(",\"\r\n") == std::string::npos) {
            line += value;
            continue;
        }
        line += '"';
        for (char c : value)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    m_out << line << "\r\n";
}

void CGoogleCsvWriter::Begin() {
    Line({"First Name",
          "Last Name",
          "Phonetic First Name",
          "Phonetic Last Name",
          "Organization Name",
          "Notes",
          "Labels",
          "E-mail 1 - Label",
          "E-mail 1 - Value",
          "E-mail 2 - Label",
          "E-mail 2 - Value",
          "Phone 1 - Label",
          "Phone 1 - Value",
          "Phone 2 - Label",
          "Phone 2 - Value",
          "Phone 3 - Label",
          "Phone 3 - Value",
          "Phone 4 - Label",
          "Phone 4 - Value",
          "Phone 5 - Label",
          "Phone 5 - Value",
          "Phone 6 - Label",
          "Phone 6 - Value",
          "Phone 7 - Label",
          "Phone 7 - Value",
          "Address 1 - Label",
          "Address 1 - Street",
          "Address 1 - City",
          "Address 1 - Region",
          "Address 1 - Postal Code",
          "Address 2 - Label",
          "Address 2 - Street",
          "Address 2 - City",
          "Address 2 - Region",
          "Website 1 - Label",
          "Website 1 - Value"});
}

void CGoogleCsvWriter::Write(const kvAddressRecord& record, std::string_view original) {
    const COriginal::CParsed kept = COriginal::Parse(original);
#define KV_TEXT(member)                                                                            \
    kept.Text(AddressFieldName(offsetof(kvAddressRecord, member)), record.member,                  \
              sizeof(record.member))
    // A label only where there is a value, as Google writes them.
    auto labelled = [](const char* label, const std::string& value) {
        return std::vector<std::string>{value.empty() ? std::string() : label, value};
    };
    std::vector<std::string> values = {
        KV_TEXT(firstName), KV_TEXT(lastName), KV_TEXT(nameReading), KV_TEXT(lastNameReading),
        KV_TEXT(company),   KV_TEXT(memo),     KV_TEXT(category)};
    const std::pair<const char*, std::string> labelledValues[] = {
        {"* Work", KV_TEXT(email)},         {"Other", KV_TEXT(email2)},
        {"Work", KV_TEXT(businessPhone)},   {"Work 2", KV_TEXT(businessPhone2)},
        {"Work Fax", KV_TEXT(businessFax)}, {"Home", KV_TEXT(homePhone)},
        {"Home 2", KV_TEXT(homePhone2)},    {"Mobile", KV_TEXT(mobilePhone)},
        {"Home Fax", KV_TEXT(homeFax)}};
    for (const auto& [label, value] : labelledValues)
        for (std::string& part : labelled(label, value))
            values.push_back(std::move(part));
    const std::string work[] = {KV_TEXT(businessStreet), KV_TEXT(businessCity),
                                KV_TEXT(businessPrefecture), KV_TEXT(businessPostalCode)};
    const std::string home[] = {KV_TEXT(homeStreet), KV_TEXT(homeCity), KV_TEXT(homePrefecture)};
    auto any = [](const auto& parts) {
        for (const std::string& part : parts)
            if (!part.empty())
                return true;
        return false;
    };
    values.push_back(any(work) ? "Work" : "");
    values.insert(values.end(), std::begin(work), std::end(work));
    values.push_back(any(home) ? "Home" : "");
    values.insert(values.end(), std::begin(home), std::end(home));
    for (std::string& part : labelled("Work", KV_TEXT(webPage)))
        values.push_back(std::move(part));
#undef KV_TEXT
    Line(values);
}
