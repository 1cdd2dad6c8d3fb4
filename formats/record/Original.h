#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What a source said that a record cannot hold, as the library keeps it
// beside an entry (kelvo.h, kvSetNextOriginal): UTF-8 content lines, each CR
// LF ended. A reader builds one while it reads a record; the writers, the
// list windows and kelvo-admin dump read one back.
class COriginal {
public:
    // What a kept original says: the Unicode text of fields (by column),
    // the series the entry belongs to, and every other line in order.
    struct CParsed {
        std::map<std::string, std::string> fields;
        std::string series;
        std::vector<std::string> lines;
        // The field's text, or null when the original has none for column.
        const std::string* Field(const std::string& column) const;
        // The Unicode text of a record's field (column, of width bytes): the
        // kept one while it still stands for what the field holds, else the
        // field's own, converted.
        std::string Text(const std::string& column, const char* field, size_t width) const;
    };

    void Clear() { m_text.clear(); }
    // Back to the first size bytes: the lines added since go.
    void Truncate(size_t size) { m_text.resize(std::min(size, m_text.size())); }
    bool Empty() const { return m_text.empty(); }
    const std::string& Text() const { return m_text; }

    // Each adds a line; false (nothing added) when the original would grow
    // beyond the most the library keeps.
    // The whole text of a field whose code page 932 form lost characters or was cut.
    bool Field(std::string_view column, std::string_view utf8);
    // A line of the source as it stood (unfolded, UTF-8).
    bool Line(std::string_view utf8);
    // A table's column that has no field: its name and value.
    bool Column(std::string_view name, std::string_view value);
    // The recurring series (its UID) the entry is an occurrence of.
    bool Series(std::string_view uid);

    static CParsed Parse(std::string_view text);

private:
    // A line is written straight into the text between these.
    void Begin();
    bool End();

    std::string m_text;
    size_t m_nLineStart = 0;
};
