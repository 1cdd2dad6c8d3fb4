#include "LdifReader.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <lber.h>
#include <ldif.h>
#include <unordered_map>
#include <vector>

#include "AddressFields.h"
#include "Cp932.h"
#include "RecordDescription.h"
#include "TextFile.h"
#include "Utf8.h"

namespace {

enum class Into { Copy, Append, Web, Name, Pass };

struct CAttribute {
    const char* name; // lower case
    size_t offset;
    size_t size;
    Into into;
};

#define KV_ATTRIBUTE(name, member, into)                                                           \
    CAttribute {                                                                                   \
        name, offsetof(kvAddressRecord, member), sizeof(kvAddressRecord::member), Into::into       \
    }

// Thunderbird's attributes (the mozilla ones its own), and the directories'
// phonetic names (Active Directory's) this program writes for the readings.
const CAttribute kAttributes[] = {
    KV_ATTRIBUTE("sn", lastName, Copy),
    KV_ATTRIBUTE("givenname", firstName, Copy),
    KV_ATTRIBUTE("msds-phoneticlastname", lastNameReading, Copy),
    KV_ATTRIBUTE("msds-phoneticfirstname", nameReading, Copy),
    KV_ATTRIBUTE("cn", lastName, Name),
    KV_ATTRIBUTE("mail", email, Copy),
    KV_ATTRIBUTE("mozillasecondemail", email2, Copy),
    KV_ATTRIBUTE("telephonenumber", businessPhone, Copy),
    KV_ATTRIBUTE("homephone", homePhone, Copy),
    KV_ATTRIBUTE("mobile", mobilePhone, Copy),
    KV_ATTRIBUTE("facsimiletelephonenumber", businessFax, Copy),
    KV_ATTRIBUTE("o", company, Copy),
    KV_ATTRIBUTE("postalcode", businessPostalCode, Copy),
    KV_ATTRIBUTE("st", businessPrefecture, Copy),
    KV_ATTRIBUTE("l", businessCity, Copy),
    KV_ATTRIBUTE("street", businessStreet, Append),
    KV_ATTRIBUTE("mozillaworkstreet2", businessStreet, Append),
    KV_ATTRIBUTE("mozillahomestreet", homeStreet, Append),
    KV_ATTRIBUTE("mozillahomestreet2", homeStreet, Append),
    KV_ATTRIBUTE("mozillahomelocalityname", homeCity, Copy),
    KV_ATTRIBUTE("mozillahomestate", homePrefecture, Copy),
    KV_ATTRIBUTE("mozillaworkurl", webPage, Web),
    KV_ATTRIBUTE("mozillahomeurl", webPage, Web),
    KV_ATTRIBUTE("description", memo, Copy),
    KV_ATTRIBUTE("category", category, Copy),
    KV_ATTRIBUTE("businessphone2", businessPhone2, Copy),
    KV_ATTRIBUTE("homephone2", homePhone2, Copy),
    KV_ATTRIBUTE("homefacsimiletelephonenumber", homeFax, Copy),
    // What every entry says of its kind: the writer says it again.
    KV_ATTRIBUTE("objectclass", category, Pass),
    KV_ATTRIBUTE("changetype", category, Pass),
};

#undef KV_ATTRIBUTE

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

// Whether bytes are UTF-8 text (a base64 value may be a photo's bytes).
bool IsText(const std::string& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = CUtf8::SequenceLength(data[i]);
        uint32_t codePoint = 0;
        if (length == 0 || i + length > bytes.size() ||
            !CUtf8::Decode(data + i, length, codePoint) || codePoint == 0)
            return false;
        i += length;
    }
    return true;
}

// libldap says what it could not decode on standard error; the reader says
// it in the summary instead.
void Quiet(const char*) {}

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

CLdifReader::CLdifReader(CTextFile& file, bool isPublic)
    : CRecordReader(file, isPublic), m_lines(file), m_pRecord(std::make_unique<kvAddressRecord>()) {
    std::memset(m_pRecord.get(), 0, sizeof(kvAddressRecord));
    SetForm(Form::Ldif);
    static const bool quiet = ber_set_option(nullptr, LBER_OPT_LOG_PRINT_FN,
                                             reinterpret_cast<void*>(&Quiet)) == LBER_OPT_SUCCESS;
    (void)quiet;
}

CLdifReader::~CLdifReader() = default;

bool CLdifReader::IsAttributeName(std::string_view name) {
    // ASCII only, whatever the locale says of other bytes.
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    bool first = true;
    for (;;) {
        const size_t end = std::min(name.find(';'), name.size());
        const std::string_view part = name.substr(0, end);
        if (part.empty())
            return false;
        if (letter(part[0])) {
            for (char c : part)
                if (!letter(c) && !digit(c) && c != '-')
                    return false;
        } else if (first && digit(part[0]) && part.back() != '.' &&
                   part.find("..") == std::string_view::npos) {
            for (char c : part)
                if (!digit(c) && c != '.')
                    return false;
        } else {
            return false;
        }
        if (end == name.size())
            return true;
        name.remove_prefix(end + 1);
        first = false;
    }
}

bool CLdifReader::Starts(const std::string& line) {
    const std::string lower = Lower(line.substr(0, 8));
    return lower.compare(0, 3, "dn:") == 0 || lower.compare(0, 8, "version:") == 0;
}

CRecordReader::Start CLdifReader::Begin() {
    return Start::Ready;
}

void CLdifReader::BeginEntry() {
    // The memo is cleared only as far as the previous entry wrote it (36 KB
    // an entry would dominate the import), as the vCard reader does.
    kvAddressRecord& record = *m_pRecord;
    std::memset(&record, 0, offsetof(kvAddressRecord, memo));
    std::memset(record.memo, 0, m_nMemoUsed);
    m_nMemoUsed = 0;
    m_strCommonName.clear();
    m_strDn.clear();
    m_strLast.clear();
    m_strFirst.clear();
    m_strMail.clear();
    m_bNamed = false;
    Keep().Clear();
}

void CLdifReader::OnAttribute(const std::string& name, const std::string& value, bool unicode) {
    // Attribute names by their lower case, looked up once each.
    static const std::unordered_map<std::string, const CAttribute*> kByName = [] {
        std::unordered_map<std::string, const CAttribute*> byName;
        for (const CAttribute& attribute : kAttributes)
            byName.emplace(attribute.name, &attribute);
        return byName;
    }();
    // Into a buffer kept from attribute to attribute (no allocation each).
    std::string& lower = m_lower;
    lower.assign(name);
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const auto found = kByName.find(lower);
    const CAttribute* known = found == kByName.end() ? nullptr : found->second;
    // Most values are ASCII (mail, numbers): no conversion, no copy.
    const bool ascii = unicode || std::all_of(value.begin(), value.end(), [](char c) {
                           return static_cast<unsigned char>(c) < 0x80;
                       });
    if (!ascii)
        m_converted = CCp932::ToUtf8(value);
    const std::string& utf8 = ascii ? value : m_converted;
    if (lower == "dn" && m_strDn.empty()) {
        m_strDn = utf8;
        return;
    }
    if (known == nullptr) {
        std::string what;
        CCp932::FromUtf8(name, what);
        KeepColumn(name, utf8, what.empty() ? "(other)" : what);
        return;
    }
    kvAddressRecord& record = *m_pRecord;
    char* field = reinterpret_cast<char*>(&record) + known->offset;
    const char* column = AddressFieldName(known->offset);
    switch (known->into) {
    case Into::Pass:
        return;
    case Into::Name:
        m_strCommonName = utf8;
        return;
    case Into::Append:
        if (field[0] != '\0') {
            // Street lines joined with a blank, the whole kept where it is lost.
            const std::string joined =
                CCp932::ToUtf8(std::string(field, CCp932::FieldLength(field, known->size))) + " " +
                utf8;
            PutField(field, known->size, joined, column, true);
            return;
        }
        break;
    case Into::Copy:
    case Into::Web:
        if (field[0] != '\0') {
            // A second value (a second mail, the home page after the work one).
            KeepColumn(name, utf8, name);
            return;
        }
        break;
    }
    if (known->offset == offsetof(kvAddressRecord, lastName) ||
        known->offset == offsetof(kvAddressRecord, firstName))
        m_bNamed = true;
    if (known->offset == offsetof(kvAddressRecord, lastName))
        m_strLast = utf8;
    else if (known->offset == offsetof(kvAddressRecord, firstName))
        m_strFirst = utf8;
    else if (known->offset == offsetof(kvAddressRecord, email))
        m_strMail = utf8;
    PutField(field, known->size, utf8, column, true);
}

void CLdifReader::FinishEntry() {
    // The cn and dn the export makes of the fields need not be kept (most
    // entries' own are just those); others are kept beside the entry.
    const std::string cn = m_strLast.empty() || m_strFirst.empty() ? m_strLast + m_strFirst
                                                                   : m_strLast + " " + m_strFirst;
    const std::string given = m_bNamed || m_strCommonName.empty() ? m_strCommonName : std::string();
    const std::string dn =
        "cn=" + (given.empty() ? cn : given) + (m_strMail.empty() ? "" : ",mail=" + m_strMail);
    if (!m_strDn.empty() && m_strDn != dn)
        KeepColumn("dn", m_strDn, "dn");
    // cn names the entry where sn and givenName do not (its first blank of
    // either width parts last and first name); beside them it is kept.
    if (m_strCommonName.empty())
        return;
    if (m_bNamed) {
        if (m_strCommonName != cn)
            KeepColumn("cn", m_strCommonName, "cn");
        return;
    }
    kvAddressRecord& record = *m_pRecord;
    PutWholeName(m_strCommonName, record.lastName, sizeof(record.lastName),
                 AddressFieldName(offsetof(kvAddressRecord, lastName)), record.firstName,
                 sizeof(record.firstName), AddressFieldName(offsetof(kvAddressRecord, firstName)));
}

CRecordReader::Step CLdifReader::Next() {
    std::string line;
    SetRecordSubstitutes(0);
    // Up to the entry's dn; blank lines, comments and the version pass.
    for (;;) {
        if (!NextContentLine(m_lines, line))
            return Step::End;
        if (Lower(line.substr(0, 3)) == "dn:")
            break;
        if (!IsBlank(line) && line[0] != '#' && Lower(line.substr(0, 8)) != "version:")
            WarnAt(m_lines.Line(), CWarning::Kind::Malformed, std::string(),
                   line.substr(0, CCp932::CutLength(line.data(), line.size(), 60)));
    }
    SetRecordLine(m_lines.Line());
    CountUnit();
    BeginEntry();
    for (bool first = true;; first = false) {
        if (!first) {
            if (!NextContentLine(m_lines, line) || IsBlank(line))
                break;
        }
        if (line[0] == '#')
            continue;
        const size_t colon = line.find(':');
        // An attribute's name is ASCII (letters, digits, hyphens, options
        // after semicolons): a line whose name is not is none.
        if (colon == std::string::npos ||
            !IsAttributeName(std::string_view(line).substr(0, colon))) {
            WarnAt(m_lines.Line(), CWarning::Kind::Malformed, std::string(),
                   line.substr(0, CCp932::CutLength(line.data(), line.size(), 60)));
            continue;
        }
        // A value by URL is never fetched: a file could name any file of this machine.
        if (colon + 1 < line.size() && line[colon + 1] == '<') {
            NotCarried(line.substr(0, colon) + " (a value by URL)");
            continue;
        }
        // libldap parses in place: a copy of the line (NUL-ended), reused.
        m_parsed.assign(line);
        berval type{}, value{};
        int allocated = 0;
        if (colon == std::string::npos ||
            ldif_parse_line2(&m_parsed[0], &type, &value, &allocated) != 0) {
            WarnAt(m_lines.Line(), CWarning::Kind::Malformed, std::string(),
                   line.substr(0, CCp932::CutLength(line.data(), line.size(), 60)));
            continue;
        }
        m_name.assign(type.bv_val, type.bv_len);
        m_text.assign(value.bv_val != nullptr ? value.bv_val : "",
                      value.bv_val != nullptr ? value.bv_len : 0);
        const std::string& name = m_name;
        const std::string& text = m_text;
        if (allocated != 0)
            ber_memfree(value.bv_val);
        // Base64 holds UTF-8 (as LDIF has it); a plain value the file's text.
        const bool base64 = line.compare(colon, 2, "::") == 0;
        if (base64 && !IsText(text)) {
            NotCarried(name + " (not text)");
            continue;
        }
        OnAttribute(name, text, base64 || File().DeliversUnicode());
    }
    AddRecordSubstitutes(File().TakeSubstitutes(File().Consumed()));
    FinishEntry();
    m_nMemoUsed = CCp932::FieldLength(m_pRecord->memo, sizeof(m_pRecord->memo)) + 1;
    return Deliver(*m_pRecord);
}

std::string CLdifReader::Describe() const {
    return CRecordDescription::Address(*m_pRecord, nullptr, &Original());
}
