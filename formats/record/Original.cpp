#include "Original.h"

#include <vector>

#include "Cp932.h"
#include "FieldText.h"
#include "kelvo.h"

namespace {

const char kField[] = "X-KELVO-FIELD;NAME=";
const char kSeries[] = "X-KELVO-SERIES:";

// A value on one line of a NUL-terminated text: backslashes, line feeds,
// carriage returns and NULs escaped, so that every byte comes back.
std::string Escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '\0')
            escaped += "\\0";
        else
            escaped += c;
    }
    return escaped;
}

std::string Unescape(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next == '0' ? '\0' : next;
    }
    return plain;
}

// A name as a parameter value: in quotes, without what would end it.
std::string Quoted(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? '\'' : c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    return quoted + "\"";
}

} // namespace

const std::string* COriginal::CParsed::Field(const std::string& column) const {
    auto found = fields.find(column);
    return found == fields.end() ? nullptr : &found->second;
}

std::string COriginal::CParsed::Text(const std::string& column, const char* field,
                                     size_t width) const {
    const std::string_view stored = CCp932::FieldText(field, width);
    if (const std::string* kept = Field(column)) {
        // What the kept text comes to in the field: the field's text, unless
        // the entry was changed since.
        std::vector<char> again(width, '\0');
        CFieldText::Put(again.data(), width, *kept, true);
        if (CCp932::FieldText(again.data(), width) == stored)
            return *kept;
    }
    return CCp932::ToUtf8(stored);
}

bool COriginal::Add(const std::string& line) {
    if (m_text.size() + line.size() + 2 > KV_ORIGINAL_MAX)
        return false;
    m_text.append(line).append("\r\n");
    return true;
}

bool COriginal::Field(std::string_view column, std::string_view utf8) {
    return Add(kField + std::string(column) + ":" + Escape(utf8));
}

bool COriginal::Line(std::string_view utf8) {
    // A line never holds a line end of its own, nor a NUL (which would end
    // the whole text): U+FFFD stands for one.
    std::string line;
    line.reserve(utf8.size());
    for (char c : utf8)
        if (c == '\0')
            line += "\xEF\xBF\xBD";
        else
            line += c == '\r' || c == '\n' ? ' ' : c;
    return Add(line);
}

bool COriginal::Column(std::string_view name, std::string_view value) {
    return Add("X-KELVO-COLUMN;NAME=" + Quoted(name) + ":" + Escape(value));
}

bool COriginal::Series(std::string_view uid) {
    return Add(kSeries + Escape(uid));
}

COriginal::CParsed COriginal::Parse(std::string_view text) {
    CParsed parsed;
    while (!text.empty()) {
        size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
        if (line.compare(0, sizeof(kField) - 1, kField) == 0) {
            std::string_view rest = line.substr(sizeof(kField) - 1);
            size_t colon = rest.find(':');
            if (colon != std::string_view::npos)
                parsed.fields[std::string(rest.substr(0, colon))] =
                    Unescape(rest.substr(colon + 1));
        } else if (line.compare(0, sizeof(kSeries) - 1, kSeries) == 0) {
            parsed.series = Unescape(line.substr(sizeof(kSeries) - 1));
        } else if (!line.empty()) {
            parsed.lines.emplace_back(line);
        }
    }
    return parsed;
}
