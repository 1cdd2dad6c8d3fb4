#include "CsvParser.h"

#include <algorithm>
#include <cstring>

void CCsvParser::Begin() {
    m_nCount = 0;
    m_nRecordBytes = 0;
    m_bOverflowed = false;
    m_field.clear();
    m_bQuoted = false;
    m_bAfterQuote = false;
}

void CCsvParser::EndField() {
    if (m_nCount >= kMaxFields) {
        m_bOverflowed = true;
        m_field.clear();
        m_bAfterQuote = false;
        return;
    }
    if (m_fields.size() <= m_nCount)
        m_fields.emplace_back();
    m_fields[m_nCount].swap(m_field);
    ++m_nCount;
    m_field.clear();
    m_bAfterQuote = false;
}

void CCsvParser::Append(const char* text, size_t length) {
    if (m_field.size() >= kMaxField || m_nRecordBytes >= kMaxRecord)
        return;
    const size_t taken =
        std::min({length, kMaxField - m_field.size(), kMaxRecord - m_nRecordBytes});
    m_field.append(text, taken);
    m_nRecordBytes += taken;
}

bool CCsvParser::Feed(const std::string& line) {
    // Text is copied in runs up to the next character that matters: a quote
    // inside quotes, a comma or the line end outside them.
    const char* text = line.data();
    const size_t size = line.size();
    size_t i = 0;
    while (i < size) {
        if (m_bQuoted) {
            const void* quote = std::memchr(text + i, '"', size - i);
            size_t stop = quote != nullptr
                              ? static_cast<size_t>(static_cast<const char*>(quote) - text)
                              : size;
            Append(text + i, stop - i); // a line break inside quotes is part of the value
            if (stop == size)
                return false; // the value goes on on the next line
            if (stop + 1 < size && text[stop + 1] == '"') {
                Append("\"", 1);
                i = stop + 2;
            } else {
                m_bQuoted = false;
                i = stop + 1;
            }
            continue;
        }
        char c = text[i];
        if (c == '"' && m_field.empty() && !m_bAfterQuote) {
            m_bQuoted = true;
            m_bAfterQuote = true;
            ++i;
        } else if (c == m_separator) {
            EndField();
            ++i;
        } else if ((c == '\n' || c == '\r') && i + 1 == size) {
            EndField();
            return true;
        } else {
            size_t stop = i + 1;
            while (stop < size && text[stop] != m_separator && text[stop] != '\n' &&
                   !(text[stop] == '\r' && stop + 1 == size))
                ++stop;
            Append(text + i, stop - i);
            i = stop;
        }
    }
    if (m_bQuoted)
        return false;
    EndField(); // the file's last line, without a line end
    return true;
}

void CCsvParser::Finish() {
    m_bQuoted = false;
    EndField();
}

std::vector<std::string> CCsvParser::SplitLine(const std::string& line, char separator) {
    CCsvParser parser(separator);
    parser.Begin();
    if (!parser.Feed(line))
        parser.Finish();
    return std::vector<std::string>(parser.m_fields.begin(),
                                    parser.m_fields.begin() +
                                        static_cast<std::ptrdiff_t>(parser.m_nCount));
}
