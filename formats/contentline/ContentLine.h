#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One property of a vCard or iCalendar file (a content line), unfolded:
// "group.NAME;PARAM=a,b;BARE:value". Names are compared without regard to
// ASCII case. The text is code page 932 (or UTF-8): every byte that has a
// meaning here is ASCII, and only the backslash can be the second byte of a
// double-byte character, which Split and Unescape step over.
class CContentLine {
public:
    // False when the line has no name or no ':'. What the getters return
    // points into line: it is valid while line is, until the next Parse.
    bool Parse(std::string_view line);

    std::string_view Group() const { return m_group; }
    std::string_view Name() const { return m_name; } // upper case
    std::string_view Value() const { return m_value; }

    // Whether a TYPE parameter or a bare parameter (vCard 2.1: "TEL;CELL")
    // names type, in any case and any spelling ("TYPE=cell,voice",
    // "TYPE=\"work,voice\"", "TYPE=WORK;TYPE=VOICE").
    bool HasType(std::string_view type) const;
    // Whether it has TYPE or bare parameters at all, besides encodings.
    bool HasAnyType() const;
    // The value of the first parameter name (upper case), unquoted; empty if none.
    std::string Param(std::string_view name) const;
    // The encoding: "QUOTED-PRINTABLE", "B" (BASE64 too) or empty.
    std::string Encoding() const;

    // The components of a structured value, split at separators that are not
    // escaped, each unescaped; at most maxParts (the last keeps the rest).
    // cp932: the value is code page 932 (a backslash may end a character),
    // else UTF-8 (where no character holds one).
    static std::vector<std::string> Split(std::string_view value, char separator, size_t maxParts,
                                          bool cp932 = true);
    // The same into parts, whose strings are reused.
    static void Split(std::string_view value, char separator, size_t maxParts,
                      std::vector<std::string>& parts, bool cp932 = true);
    // \n and \N become a line feed; \, \; \: and \\ their character.
    static std::string Unescape(std::string_view value, bool cp932 = true);
    // The other way, as a writer escapes a text value (\\, \, \; and a line
    // break as \n; CR LF is one break). utf8: what is written.
    static std::string Escape(const std::string& utf8);
    // Writes a whole line (name, parameters, value) folded at 75 bytes, never
    // inside a UTF-8 character, each piece CR LF ended.
    static void WriteFolded(std::ostream& out, const std::string& line);
    // The first a or b in text, or npos.
    static size_t FindEither(std::string_view text, char a, char b);
    // Whether text, blanks and line ends around it aside, is word in any ASCII
    // case ("BEGIN:VCARD", "CANCELLED").
    static bool Matches(std::string_view text, std::string_view word);
    // Whether a double-byte code page 932 character begins at text[i].
    static bool IsDoubleByte(std::string_view text, size_t i);

private:
    std::string_view m_group;
    // The name in upper case: in the buffer when it fits (every name but a
    // writer's longest own ones), else in the string.
    char m_buffer[40];
    std::string m_strLongName;
    std::string_view m_name;
    std::string_view m_value;
    // Name as written ("" for a bare one) and value: kept across lines, so that
    // a line costs no allocation once the first lines have been read.
    std::vector<std::pair<std::string_view, std::string_view>> m_params;
};
