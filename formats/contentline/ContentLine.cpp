#include "ContentLine.h"

#include <ostream>

#include "Cp932.h"

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void AssignUpper(std::string& out, std::string_view text) {
    out.assign(text);
    for (char& c : out)
        c = Upper(c);
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

std::string_view Unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

bool IsEncodingWord(std::string_view word) {
    return SameText(word, "QUOTED-PRINTABLE") || SameText(word, "BASE64") ||
           SameText(word, "8BIT") || SameText(word, "7BIT") || SameText(word, "B");
}

} // namespace

bool CContentLine::Matches(std::string_view text, std::string_view word) {
    if (text.size() < word.size() || text.size() > word.size() + 8)
        return false; // most lines, at a glance
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return false;
    const size_t end = text.find_last_not_of(" \t\r\n");
    return SameText(text.substr(start, end - start + 1), word);
}

size_t CContentLine::FindEither(std::string_view text, char a, char b) {
    // A plain loop: find_first_of calls memchr once per character.
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == a || text[i] == b)
            return i;
    return std::string_view::npos;
}

bool CContentLine::IsDoubleByte(std::string_view text, size_t i) {
    return i + 1 < text.size() && CCp932::IsLeadByte(static_cast<unsigned char>(text[i])) &&
           CCp932::IsTrailByte(static_cast<unsigned char>(text[i + 1]));
}

bool CContentLine::Parse(std::string_view line) {
    m_group = std::string_view();
    m_name = std::string_view();
    m_value = std::string_view();
    m_params.clear();
    // The name (with its group) ends at the first ';' or ':'.
    size_t end = FindEither(line, ';', ':');
    if (end == std::string_view::npos || end == 0)
        return false;
    std::string_view name = line.substr(0, end);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        m_group = name.substr(0, dot);
        name.remove_prefix(dot + 1);
    }
    if (name.empty())
        return false;
    if (name.size() <= sizeof(m_buffer)) {
        for (size_t i = 0; i < name.size(); ++i)
            m_buffer[i] = Upper(name[i]);
        m_name = std::string_view(m_buffer, name.size());
    } else {
        AssignUpper(m_strLongName, name);
        m_name = m_strLongName;
    }
    // Parameters up to the first ':' outside double quotes.
    size_t i = end;
    while (i < line.size() && line[i] == ';') {
        size_t start = ++i;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
            if (line[i] == '"')
                quoted = !quoted;
            else if (IsDoubleByte(line, i))
                ++i;
            ++i;
        }
        if (i > line.size())
            i = line.size();
        std::string_view param = line.substr(start, i - start);
        if (param.empty())
            continue;
        size_t equals = param.find('=');
        if (equals == std::string_view::npos)
            m_params.emplace_back(std::string_view(), param);
        else
            m_params.emplace_back(param.substr(0, equals), param.substr(equals + 1));
    }
    if (i >= line.size() || line[i] != ':')
        return false;
    m_value = line.substr(i + 1);
    return true;
}

bool CContentLine::HasType(std::string_view type) const {
    for (const auto& [name, value] : m_params) {
        if (!name.empty() && !SameText(name, "TYPE"))
            continue;
        // A TYPE value may list several, quoted or not.
        std::string_view list = Unquoted(value);
        size_t start = 0;
        while (start <= list.size()) {
            size_t comma = list.find(',', start);
            std::string_view one = list.substr(
                start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
            if (SameText(Unquoted(one), type))
                return true;
            if (comma == std::string_view::npos)
                break;
            start = comma + 1;
        }
    }
    return false;
}

bool CContentLine::HasAnyType() const {
    for (const auto& [name, value] : m_params)
        if (SameText(name, "TYPE") || (name.empty() && !IsEncodingWord(value)))
            return true;
    return false;
}

std::string CContentLine::Param(std::string_view name) const {
    for (const auto& [key, value] : m_params)
        if (!key.empty() && SameText(key, name))
            return std::string(Unquoted(value));
    return std::string();
}

std::string CContentLine::Encoding() const {
    for (const auto& [name, value] : m_params) {
        if (!name.empty() && !SameText(name, "ENCODING"))
            continue;
        if (SameText(value, "QUOTED-PRINTABLE"))
            return "QUOTED-PRINTABLE";
        if (SameText(value, "BASE64") || SameText(value, "B"))
            return "B";
    }
    return std::string();
}

std::vector<std::string> CContentLine::Split(std::string_view value, char separator,
                                             size_t maxParts, bool cp932) {
    std::vector<std::string> parts;
    Split(value, separator, maxParts, parts, cp932);
    return parts;
}

void CContentLine::Split(std::string_view value, char separator, size_t maxParts,
                         std::vector<std::string>& parts, bool cp932) {
    // The strings of parts are reused: their room stays from call to call.
    size_t count = 0;
    auto next = [&]() -> std::string& {
        if (count == parts.size())
            parts.emplace_back();
        std::string& part = parts[count++];
        part.clear();
        return part;
    };
    if (value.find('\\') == std::string_view::npos) {
        // Nothing escaped (as most values): the separators are found directly,
        // none being a byte a double-byte character ends in.
        size_t start = 0;
        for (;;) {
            size_t at =
                count + 1 < maxParts ? value.find(separator, start) : std::string_view::npos;
            next().assign(value.substr(start, at == std::string_view::npos ? at : at - start));
            if (at == std::string_view::npos)
                break;
            start = at + 1;
        }
        parts.resize(count);
        return;
    }
    std::string* part = &next();
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (cp932 && IsDoubleByte(value, i)) {
            part->append(value.substr(i, 2));
            ++i;
        } else if (c == '\\' && i + 1 < value.size()) {
            char following = value[++i];
            *part += following == 'n' || following == 'N' ? '\n' : following;
        } else if (c == separator && count < maxParts) {
            part = &next();
        } else {
            *part += c;
        }
    }
    parts.resize(count);
}

std::string CContentLine::Unescape(std::string_view value, bool cp932) {
    if (value.find('\\') == std::string_view::npos)
        return std::string(value);
    return Split(value, '\0', 1, cp932).front();
}

std::string CContentLine::Escape(const std::string& utf8) {
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

void CContentLine::WriteFolded(std::ostream& out, const std::string& line) {
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
