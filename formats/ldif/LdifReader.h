#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ContentLineReader.h"
#include "RecordReader.h"
#include "kelvo.h"

// Turns an LDIF address book (a mail program's export: one entry per record,
// records parted by blank lines, lines folded, values in base64 after "::")
// into address records. libldap reads each line; a value by URL ("<") is
// never fetched. The attributes' fields are the table in docs/formats.md;
// every other attribute is kept beside the entry under its name.
class CLdifReader : public CRecordReader {
public:
    CLdifReader(CTextFile& file, bool isPublic);
    ~CLdifReader() override;

    Start Begin() override;
    Step Next() override;
    std::string Describe() const override;

    // Whether a file's first line is an LDIF one ("dn:" or "version:").
    static bool Starts(const std::string& line);
    // Whether name is an attribute description as LDIF has it: a name (a
    // letter, then letters, digits and hyphens) or an OID (2.5.4.3), each
    // option after a semicolon a name. What the writer writes, the reader reads.
    static bool IsAttributeName(std::string_view name);

private:
    void BeginEntry();
    // One attribute of the entry: its name (as given) and value, UTF-8 when unicode.
    void OnAttribute(const std::string& name, const std::string& value, bool unicode);
    void FinishEntry();

    CContentLineReader m_lines;
    std::unique_ptr<kvAddressRecord> m_pRecord;
    std::string m_strCommonName; // cn, UTF-8
    std::string m_strDn;         // the entry's dn, UTF-8
    std::string m_parsed;        // the line libldap parses in place
    std::string m_name, m_text;  // its attribute and value, reused
    std::string m_lower;         // an attribute's name in lower case
    std::string m_converted;     // a code page 932 value in UTF-8
    // sn, givenName and the first mail as read (UTF-8): what the export's own
    // cn and dn are made of.
    std::string m_strLast, m_strFirst, m_strMail;
    bool m_bNamed = false;                              // sn or givenName came
    size_t m_nMemoUsed = sizeof(kvAddressRecord::memo); // memo bytes that may not be zero
};
