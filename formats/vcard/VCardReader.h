#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ContentLine.h"
#include "ContentLineReader.h"
#include "RecordReader.h"
#include "kelvo.h"

// Turns vCard files (2.1, 3.0 and 4.0, several cards a file) into address
// records, one card per step. The mapping of properties to fields is the
// table in docs/formats.md; what a record has no place for is counted by
// property name.
class CVCardReader : public CRecordReader {
public:
    CVCardReader(CTextFile& file, bool isPublic);
    ~CVCardReader() override;

    Start Begin() override;
    Step Next() override;
    std::string Describe() const override;

private:
    // The text of a property's value for the record (decoded, code page 932,
    // still escaped where the value is structured).
    std::string_view Text(const CContentLine& property);
    // CContentLine's, in the form the file's text comes in.
    std::string Unescape(std::string_view value) const;
    // Whether the last value is UTF-8: the file's text is, or the value was read from another set.
    bool Unicode() const;
    std::vector<std::string> Split(std::string_view value, char separator, size_t maxParts) const;
    void Split(std::string_view value, char separator, size_t maxParts,
               std::vector<std::string>& parts) const;
    // The set a value without CHARSET is in: the one the card named, if any.
    std::string Charset(const CContentLine& property) const;
    void BeginCard();
    // Reads the card nested after an empty AGENT and keeps it beside the entry.
    void KeepAgent();
    void OnProperty(const CContentLine& property, const std::string& line);
    // Keeps the property's whole line beside the entry (name: for the summary).
    void KeepProperty(const std::string& line, std::string_view name);
    // After END:VCARD: the name from FN when N gave none, the readings by
    // preference.
    void FinishCard();
    // Fills a one-line field (a member of the record), line breaks as blanks.
    void Put(char* field, size_t size, std::string_view text);
    // The first empty field of those given (members of the record), or null.
    char* FirstFree(std::initializer_list<size_t> offsets);
    void OnTel(const CContentLine& property, std::string_view text);
    void OnAdr(const CContentLine& property, std::string_view text);

    CContentLineReader m_lines;
    std::unique_ptr<kvAddressRecord> m_pRecord;
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
    std::string m_strFullName;
    std::string m_decoded;            // the last encoded value, decoded
    bool m_bTextUnicode = false;      // the last value was read as UTF-8 from another set
    std::string m_put;                // a value on its way into a field
    std::vector<std::string> m_parts; // the components of a structured value
    // Readings by where they came from, best first: X-PHONETIC-*, SORT-AS,
    // SOUND;X-IRMC-N, SORT-STRING (family only).
    std::string m_readings[4][2];
    bool m_readingUnicode[4][2] = {}; // each read as UTF-8 (Unicode())
    bool m_bFullNameUnicode = false;
    bool m_bHaveName = false;
    int64_t m_nBegunAt = 0; // the line of a card that began inside the last one
    // Cards that hold cards, open around the one read (a phone's backup).
    static constexpr int kMaxEnvelopes = 4;
    int m_nEnvelopes = 0;
    std::string m_strEnvelopeCharset; // X-SD-CHAR_CODE of the card around
    std::string m_strCardCharset;     // the set the card named (X-SD-CHAR_CODE)
    std::string m_strAgentLine;       // an empty AGENT waiting for its card
    bool m_bCardHasContent = false;   // a property other than the card's own about it
    int m_nUrls = 0;
    const std::string* m_pLine = nullptr;      // the line of the property looked at
    std::string m_strLastName, m_strFirstName; // as N gave them
    std::string m_strFullNameLine;             // FN's line
};
