#include "VCardReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "AddressFields.h"
#include "Cp932.h"
#include "FieldText.h"
#include "PropertyText.h"
#include "RecordDescription.h"
#include "TextFile.h"

namespace {

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

#define KV_AT(member) offsetof(kvAddressRecord, member)

// A photo (or any other line) longer than this is not kept beside an entry.
constexpr size_t kMaxKeptLine = 256 * 1024;

} // namespace

CVCardReader::CVCardReader(CTextFile& file, bool isPublic)
    : CRecordReader(file, isPublic), m_lines(file), m_pRecord(std::make_unique<kvAddressRecord>()) {
    std::memset(m_pRecord.get(), 0, sizeof(kvAddressRecord));
    SetForm(Form::VCard);
}

CVCardReader::~CVCardReader() = default;

bool CVCardReader::Unicode() const {
    return File().DeliversUnicode() || m_bTextUnicode;
}

std::string CVCardReader::Unescape(std::string_view value) const {
    return CContentLine::Unescape(value, !Unicode());
}

std::vector<std::string> CVCardReader::Split(std::string_view value, char separator,
                                             size_t maxParts) const {
    return CContentLine::Split(value, separator, maxParts, !Unicode());
}

void CVCardReader::Split(std::string_view value, char separator, size_t maxParts,
                         std::vector<std::string>& parts) const {
    CContentLine::Split(value, separator, maxParts, parts, !Unicode());
}

std::string CVCardReader::Charset(const CContentLine& property) const {
    std::string charset = property.Param("CHARSET");
    return charset.empty() ? m_strCardCharset : charset;
}

CRecordReader::Start CVCardReader::Begin() {
    return Start::Ready; // no header: the cards begin with the first line
}

std::string_view CVCardReader::Text(const CContentLine& property) {
    m_bTextUnicode = false;
    const std::string encoding = property.Encoding();
    if (encoding.empty() && !File().DeliversUnicode()) {
        // A code page 932 file's value in a set it declares, or one that is
        // no code page 932 text (a card of Western Europe that names no set:
        // Windows-1252, as its writers meant), is read as UTF-8 from that set.
        std::string charset = Charset(property);
        if (CPropertyText::IsCp932Name(charset) ||
            (charset.empty() && CCp932::Reads(property.Value())))
            return property.Value(); // as the file delivers it
        if (charset.empty())
            charset = "WINDOWS-1252";
        if (!CCp932::CharsetToUtf8(property.Value(), charset, m_decoded))
            return property.Value();
        m_bTextUnicode = true;
        return m_decoded;
    }
    if (encoding.empty())
        return property.Value(); // as the file delivers it
    std::string bytes = encoding == "B" ? CPropertyText::DecodeBase64(property.Value())
                                        : CPropertyText::DecodeQuotedPrintable(property.Value());
    // Encoded bytes carry their own character set: into the form the file's
    // text comes in (UTF-8 where it delivers Unicode, whose fields count their
    // own substitutes).
    if (File().DeliversUnicode())
        m_decoded = CPropertyText::ToUtf8(bytes, Charset(property));
    else
        AddRecordSubstitutes(CPropertyText::ToCp932(bytes, Charset(property), m_decoded));
    return m_decoded;
}

void CVCardReader::BeginCard() {
    // The memo is cleared only as far as the previous card wrote it (36 KB a
    // card would dominate the import).
    kvAddressRecord& record = *m_pRecord;
    std::memset(&record, 0, offsetof(kvAddressRecord, memo));
    std::memset(record.memo, 0, m_nMemoUsed);
    m_nMemoUsed = 0;
    m_strFullName.clear();
    for (auto& reading : m_readings)
        reading[0].clear(), reading[1].clear();
    for (auto& unicode : m_readingUnicode)
        unicode[0] = unicode[1] = false;
    m_bFullNameUnicode = false;
    m_bHaveName = false;
    m_nUrls = 0;
    m_strLastName.clear();
    m_strFirstName.clear();
    m_strFullNameLine.clear();
    m_strCardCharset = m_strEnvelopeCharset;
    m_strAgentLine.clear();
    m_bCardHasContent = false;
    Keep().Clear();
}

void CVCardReader::Put(char* field, size_t size, std::string_view text) {
    // A line break inside a one-line field becomes a blank, as the Outlook
    // import does.
    // (Two memchr: find_first_of walks the text a character at a time.)
    if (text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos) {
        m_put.assign(text);
        for (char& c : m_put)
            if (c == '\n' || c == '\r')
                c = ' ';
        text = m_put;
    }
    const size_t offset = static_cast<size_t>(field - reinterpret_cast<char*>(m_pRecord.get()));
    PutField(field, size, text, AddressFieldName(offset), Unicode());
}

void CVCardReader::KeepProperty(const std::string& line, std::string_view name) {
    if (line.size() > kMaxKeptLine)
        NotCarried(std::string(name) + " (over 256 KiB)");
    else
        KeepLine(line, std::string(name));
}

char* CVCardReader::FirstFree(std::initializer_list<size_t> offsets) {
    for (size_t offset : offsets) {
        char* field = reinterpret_cast<char*>(m_pRecord.get()) + offset;
        if (field[0] == '\0')
            return field;
    }
    return nullptr;
}

void CVCardReader::OnTel(const CContentLine& property, std::string_view text) {
    std::string number = Unescape(text);
    if (number.compare(0, 4, "tel:") == 0)
        number.erase(0, 4); // vCard 4.0 writes a URI
    const bool work = property.HasType("WORK");
    const bool home = property.HasType("HOME");
    const bool second = property.Param("PREF") == "2";
    char* field = nullptr;
    // A pager, modem or the like is no phone of the record's: kept beside it
    // (as a home phone it pushed out the card's own number).
    if (property.HasType("PAGER") || property.HasType("MODEM") || property.HasType("BBS") ||
        property.HasType("ISDN") || property.HasType("VIDEO") || property.HasType("TEXTPHONE"))
        field = nullptr;
    else if (property.HasType("FAX"))
        field = work   ? FirstFree({KV_AT(businessFax)})
                : home ? FirstFree({KV_AT(homeFax)})
                       : FirstFree({KV_AT(businessFax), KV_AT(homeFax)});
    else if (property.HasType("CELL"))
        field = FirstFree({KV_AT(mobilePhone)});
    else if (second) // PREF=2: the second number (as the export writes one without a first)
        field = work ? FirstFree({KV_AT(businessPhone2), KV_AT(businessPhone)})
                     : FirstFree({KV_AT(homePhone2), KV_AT(homePhone)});
    else if (work)
        field = FirstFree({KV_AT(businessPhone), KV_AT(businessPhone2)});
    else // home, and a number of no other type
        field = FirstFree({KV_AT(homePhone), KV_AT(homePhone2)});
    if (field == nullptr) {
        KeepProperty(*m_pLine, "TEL");
        return;
    }
    Put(field, sizeof(kvAddressRecord::businessPhone), number);
}

void CVCardReader::OnAdr(const CContentLine& property, std::string_view text) {
    // Post office box; extended address; street; locality; region; postal code; country.
    std::vector<std::string>& parts = m_parts;
    Split(text, ';', 7, parts);
    parts.resize(7);
    std::string street = parts[2];
    for (size_t i : {1, 0})
        if (!parts[i].empty())
            street += (street.empty() ? "" : " ") + parts[i];
    kvAddressRecord& record = *m_pRecord;
    const bool homeFree = record.homePrefecture[0] == '\0' && record.homeCity[0] == '\0' &&
                          record.homeStreet[0] == '\0';
    const bool businessFree = record.businessPostalCode[0] == '\0' &&
                              record.businessPrefecture[0] == '\0' &&
                              record.businessCity[0] == '\0' && record.businessStreet[0] == '\0';
    bool work = property.HasType("WORK");
    if (!work && !property.HasType("HOME") && !homeFree)
        work = true; // a second address of no type goes where there is room
    if (work ? !businessFree : !homeFree) {
        KeepProperty(*m_pLine, "ADR");
        return;
    }
    if (work) {
        Put(record.businessPostalCode, sizeof(record.businessPostalCode), parts[5]);
        Put(record.businessPrefecture, sizeof(record.businessPrefecture), parts[4]);
        Put(record.businessCity, sizeof(record.businessCity), parts[3]);
        Put(record.businessStreet, sizeof(record.businessStreet), street);
    } else {
        Put(record.homePrefecture, sizeof(record.homePrefecture), parts[4]);
        Put(record.homeCity, sizeof(record.homeCity), parts[3]);
        Put(record.homeStreet, sizeof(record.homeStreet), street);
    }
    // What the fields cannot say (a home postal code, a country, the parts
    // of a street): the whole line is kept, and given back in its place.
    if ((!work && !parts[5].empty()) || !parts[6].empty() || !parts[0].empty() || !parts[1].empty())
        KeepProperty(*m_pLine, "ADR");
}

namespace {

enum class Property {
    About, // the card's own (VERSION, PRODID...): nothing of its person
    N,
    FN,
    PhoneticLast,
    PhoneticFirst,
    Sound,
    SortString,
    Org,
    Title,
    Tel,
    Email,
    Adr,
    Url,
    Note,
    Categories,
    Charset, // a phone's set for the card's values
    Group,   // a phone's group: the category
    Agent,
    Other,
};

Property Kind(std::string_view name) {
    static const std::unordered_map<std::string_view, Property> kinds = {
        {"VERSION", Property::About},
        {"PRODID", Property::About},
        {"BEGIN", Property::About},
        {"END", Property::About},
        {"X-SD-VERN", Property::About}, // a phone backup's own versions
        {"X-SD-FORMAT_VER", Property::About},
        {"N", Property::N},
        {"FN", Property::FN},
        {"X-PHONETIC-LAST-NAME", Property::PhoneticLast},
        {"X-PHONETIC-FIRST-NAME", Property::PhoneticFirst},
        {"SOUND", Property::Sound},
        {"SORT-STRING", Property::SortString},
        {"ORG", Property::Org},
        {"TITLE", Property::Title},
        {"TEL", Property::Tel},
        {"EMAIL", Property::Email},
        {"ADR", Property::Adr},
        {"URL", Property::Url},
        {"NOTE", Property::Note},
        {"CATEGORIES", Property::Categories},
        {"X-SD-CHAR_CODE", Property::Charset},
        {"X-GN", Property::Group},
        {"AGENT", Property::Agent},
    };
    auto found = kinds.find(name);
    return found == kinds.end() ? Property::Other : found->second;
}

} // namespace

void CVCardReader::OnProperty(const CContentLine& property, const std::string& line) {
    const Property kind = Kind(property.Name());
    if (kind == Property::About)
        return;
    if (kind == Property::Charset) {
        // Phones name it once for the values that follow (their backups
        // write it at the card's head); it is no part of the entry.
        m_strCardCharset = property.Value();
        return;
    }
    m_bCardHasContent = true;
    m_pLine = &line;
    kvAddressRecord& record = *m_pRecord;
    const std::string_view text = Text(property);
    switch (kind) {
    case Property::About:
    case Property::Charset:
        break;
    case Property::N: {
        std::vector<std::string>& parts = m_parts;
        Split(text, ';', 5, parts);
        parts.resize(5);
        Put(record.lastName, sizeof(record.lastName), parts[0]);
        Put(record.firstName, sizeof(record.firstName), parts[1]);
        m_strLastName = parts[0];
        m_strFirstName = parts[1];
        m_bHaveName = !parts[0].empty() || !parts[1].empty();
        // Middle names, prefixes, suffixes: the whole name is kept, and
        // given back in its place.
        if (!parts[2].empty() || !parts[3].empty() || !parts[4].empty())
            KeepProperty(line, "N");
        if (std::string sortAs = property.Param("SORT-AS"); !sortAs.empty()) {
            std::vector<std::string> readings = Split(sortAs, ',', 2);
            readings.resize(2);
            m_readings[1][0] = readings[0];
            m_readings[1][1] = readings[1];
            m_readingUnicode[1][0] = m_readingUnicode[1][1] = File().DeliversUnicode();
        }
        break;
    }
    case Property::FN:
        m_strFullName = Unescape(text);
        m_bFullNameUnicode = Unicode();
        m_strFullNameLine = line;
        break;
    case Property::PhoneticLast:
        m_readings[0][0] = Unescape(text);
        m_readingUnicode[0][0] = Unicode();
        break;
    case Property::PhoneticFirst:
        m_readings[0][1] = Unescape(text);
        m_readingUnicode[0][1] = Unicode();
        break;
    case Property::Sound:
        // Given back as it came: the reading it gives is a field as well.
        KeepProperty(line, "SOUND");
        if (property.HasType("X-IRMC-N")) {
            std::vector<std::string>& parts = m_parts;
            Split(text, ';', 3, parts);
            parts.resize(2);
            m_readings[2][0] = parts[0];
            m_readings[2][1] = parts[1];
            m_readingUnicode[2][0] = m_readingUnicode[2][1] = Unicode();
        }
        break;
    case Property::SortString:
        m_readings[3][0] = Unescape(text);
        m_readingUnicode[3][0] = Unicode();
        KeepProperty(line, "SORT-STRING");
        break;
    case Property::Org: {
        std::vector<std::string>& parts = m_parts;
        Split(text, ';', 2, parts);
        Put(record.company, sizeof(record.company), parts[0]);
        if (parts.size() > 1 && !parts[1].empty())
            KeepProperty(line, "ORG"); // with its departments, in its place
        break;
    }
    case Property::Title:
        Put(record.title, sizeof(record.title), Unescape(text));
        break;
    case Property::Tel:
        OnTel(property, text);
        break;
    case Property::Email: {
        // PREF=2 names the second address (as the export writes one without a first).
        char* field = property.Param("PREF") == "2" ? FirstFree({KV_AT(email2), KV_AT(email)})
                                                    : FirstFree({KV_AT(email), KV_AT(email2)});
        if (field != nullptr)
            Put(field, sizeof(record.email), Unescape(text));
        else
            KeepProperty(line, "EMAIL");
        break;
    }
    case Property::Adr:
        OnAdr(property, text);
        break;
    case Property::Url:
        if (m_nUrls++ == 0)
            Put(record.webPage, sizeof(record.webPage), Unescape(text));
        else
            KeepProperty(line, "URL");
        break;
    case Property::Note: {
        // Line breaks as the Outlook import stores them: LF.
        std::string memo = Unescape(text);
        memo.erase(std::remove(memo.begin(), memo.end(), '\r'), memo.end());
        PutField(record.memo, sizeof(record.memo), memo, "memo");
        m_nMemoUsed =
            std::max(m_nMemoUsed, CCp932::FieldLength(record.memo, sizeof(record.memo)) + 1);
        break;
    }
    case Property::Categories: {
        std::vector<std::string>& categories = m_parts;
        Split(text, ',', 2, categories);
        Put(record.category, sizeof(record.category), categories[0]);
        if (categories.size() > 1)
            KeepProperty(line, "CATEGORIES"); // all of them, in its place
        break;
    }
    case Property::Group:
        // Given back as it came; the group's name is the category unless
        // the card names one.
        KeepProperty(line, "X-GN");
        if (record.category[0] == '\0')
            Put(record.category, sizeof(record.category), Unescape(text));
        break;
    case Property::Agent:
        // Empty, it stands for the card nested after it (vCard 2.1): kept
        // with that card (Next).
        if (property.Value().empty())
            m_strAgentLine = line;
        else
            KeepProperty(line, "AGENT");
        break;
    case Property::Other:
        // Photos, keys, birthdays, UIDs, the writers' own properties...
        KeepProperty(line, property.Name());
        break;
    }
}

void CVCardReader::FinishCard() {
    kvAddressRecord& record = *m_pRecord;
    // Each text kept for now is put in the form it was read in.
    m_bTextUnicode = m_bFullNameUnicode;
    if (!m_bHaveName && !m_strFullName.empty())
        Put(record.lastName, sizeof(record.lastName), m_strFullName);
    // A full name other than the one the export writes (family name, a
    // blank, given name) is kept, and given back in its place.
    const std::string written = m_strLastName +
                                (!m_strLastName.empty() && !m_strFirstName.empty() ? " " : "") +
                                m_strFirstName;
    if (m_bHaveName && !m_strFullNameLine.empty() && m_strFullName != written)
        KeepProperty(m_strFullNameLine, "FN");
    for (int part = 0; part < 2; ++part)
        for (size_t from = 0; from < std::size(m_readings); ++from)
            if (const auto& reading = m_readings[from]; !reading[part].empty()) {
                m_bTextUnicode = m_readingUnicode[from][part];
                if (part == 0)
                    Put(record.lastNameReading, sizeof(record.lastNameReading), reading[0]);
                else
                    Put(record.nameReading, sizeof(record.nameReading), reading[1]);
                break;
            }
}

CRecordReader::Step CVCardReader::Next() {
    std::string line;
    CContentLine property;
    SetRecordSubstitutes(0);
    // Up to the card's beginning (unless the last card ended at it); anything
    // else between cards is passed over.
    if (m_nBegunAt > 0) {
        SetRecordLine(m_nBegunAt);
        m_nBegunAt = 0;
    } else {
        for (;;) {
            if (!NextContentLine(m_lines, line))
                return Step::End;
            if (CContentLine::Matches(line, "BEGIN:VCARD"))
                break;
            if (m_nEnvelopes > 0 && CContentLine::Matches(line, "END:VCARD")) {
                // The end of a card that held others.
                if (--m_nEnvelopes == 0)
                    m_strEnvelopeCharset.clear();
                continue;
            }
            if (!IsBlank(line))
                NotCarried("(outside a card)");
        }
        SetRecordLine(m_lines.Line());
    }
    CountUnit();
    BeginCard();
    bool ended = false;
    for (;;) {
        if (!NextContentLine(m_lines, line))
            break;
        if (CContentLine::Matches(line, "END:VCARD")) {
            ended = true;
            if (!m_strAgentLine.empty())
                KeepProperty(m_strAgentLine, "AGENT");
            break;
        }
        if (CContentLine::Matches(line, "BEGIN:VCARD")) {
            if (!m_strAgentLine.empty()) {
                KeepAgent();
                continue;
            }
            if (!m_bCardHasContent && m_nEnvelopes < kMaxEnvelopes) {
                // A card that holds cards (a phone's backup): what it said of
                // the set holds for them; each is an entry.
                ++m_nEnvelopes;
                m_strEnvelopeCharset = m_strCardCharset;
                SetRecordLine(m_lines.Line());
                BeginCard();
                continue;
            }
            m_nBegunAt = m_lines.Line(); // this card lacks its end; the next begins here
            break;
        }
        if (IsBlank(line))
            continue;
        if (!m_strAgentLine.empty()) {
            KeepProperty(m_strAgentLine, "AGENT"); // an empty agent, no card after it
            m_strAgentLine.clear();
        }
        if (!property.Parse(line)) {
            // Warnings quote the file in code page 932.
            std::string quoted = line;
            if (File().DeliversUnicode()) {
                int ignored = 0;
                CFieldText::Convert(line, quoted, ignored);
            }
            WarnAt(m_lines.Line(), CWarning::Kind::Malformed, std::string(),
                   quoted.substr(0, CCp932::CutLength(quoted.data(), quoted.size(), 60)));
            continue;
        }
        OnProperty(property, line);
    }
    AddRecordSubstitutes(File().TakeSubstitutes(File().Consumed()));
    if (!ended) {
        Warn(CWarning::Kind::Malformed, "VCARD", "END:VCARD");
        return Step::Skipped;
    }
    FinishCard();
    return Deliver(*m_pRecord);
}

void CVCardReader::KeepAgent() {
    // The nested card's lines, its ends included, kept after the AGENT line
    // as they stood: all of them or, beyond what an entry keeps, none.
    std::vector<std::string> lines;
    size_t bytes = 0;
    bool whole = true;
    auto add = [&](const std::string& text) {
        bytes += text.size() + 2;
        if (bytes > KV_ORIGINAL_MAX) {
            whole = false;
            lines.clear();
        } else if (whole) {
            lines.push_back(File().DeliversUnicode() ? text : CCp932::ToUtf8(text));
        }
    };
    add(m_strAgentLine);
    add("BEGIN:VCARD");
    m_strAgentLine.clear();
    std::string line;
    for (int depth = 1; depth > 0;) {
        if (!NextContentLine(m_lines, line))
            break;
        if (CContentLine::Matches(line, "BEGIN:VCARD"))
            ++depth;
        else if (CContentLine::Matches(line, "END:VCARD"))
            --depth;
        if (!IsBlank(line))
            add(line);
    }
    if (whole)
        KeepLines(lines, "AGENT");
    else
        NotCarried("AGENT (beyond what is kept beside an entry)");
}

std::string CVCardReader::Describe() const {
    return CRecordDescription::Address(*m_pRecord, nullptr, &Original());
}
