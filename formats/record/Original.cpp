#include "Original.h"

#include <vector>

#include "Cp932.h"
#include "FieldText.h"
#include "kelvo.h"

namespace {

const char kField[] = "X-KELVO-FIELD;NAME=";
const char kSeries[] = "X-KELVO-SERIES:";

// A value on one line of a NUL-terminated text: backslashes, line feeds,
// carriage returns and NULs escaped, so that every byte comes back. Runs
// without any go in one piece: this is on the way of every row kept.
void AppendEscaped(std::string& out, std::string_view text) {
    size_t done = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\n' && c != '\r' && c != '\0')
            continue;
        out.append(text.data() + done, i - done);
        out += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\0";
        done = i + 1;
    }
    out.append(text.data() + done, text.size() - done);
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
void AppendQuoted(std::string& out, std::string_view name) {
    out += '"';
    for (char c : name)
        out += c == '"' ? '\'' : c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    out += '"';
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

void COriginal::Begin() {
    m_nLineStart = m_text.size();
}

bool COriginal::End() {
    // Written in place, taken back whole when it made the text too long.
    if (m_text.size() + 2 > KV_ORIGINAL_MAX) {
        m_text.resize(m_nLineStart);
        return false;
    }
    m_text += "\r\n";
    return true;
}

bool COriginal::Field(std::string_view column, std::string_view utf8) {
    Begin();
    m_text.append(kField).append(column) += ':';
    AppendEscaped(m_text, utf8);
    return End();
}

bool COriginal::Line(std::string_view utf8) {
    // A line never holds a line end of its own, nor a NUL (which would end
    // the whole text): U+FFFD stands for one.
    Begin();
    for (char c : utf8)
        if (c == '\0')
            m_text += "\xEF\xBF\xBD";
        else
            m_text += c == '\r' || c == '\n' ? ' ' : c;
    return End();
}

bool COriginal::Column(std::string_view name, std::string_view value) {
    Begin();
    m_text += "X-KELVO-COLUMN;NAME=";
    AppendQuoted(m_text, name);
    m_text += ':';
    AppendEscaped(m_text, value);
    return End();
}

bool COriginal::Series(std::string_view uid) {
    Begin();
    m_text += kSeries;
    AppendEscaped(m_text, uid);
    return End();
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
