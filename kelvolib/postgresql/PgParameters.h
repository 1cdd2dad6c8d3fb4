#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The parameters of a server statement as libpq sends them: texts as bytea in
// binary, integers as decimal text.
class CPgParameters {
public:
    explicit CPgParameters(int count);

    // Copies a NUL-terminated text (null: the empty text).
    void Text(int index, const char* text);
    // Bytes, copied or (copy false) referred to until they are sent.
    void Bytes(int index, const char* data, size_t length, bool copy);
    void Int(int index, long long value);

    int Count() const { return static_cast<int>(m_values.size()); }
    const char* const* Values() const { return m_values.data(); }
    const int* Lengths() const { return m_lengths.data(); }
    const int* Formats() const { return m_formats.data(); }

private:
    // The slot of index (from 1), or null when the statement has no such parameter.
    std::string* Slot(int index);

    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
    std::vector<std::string> m_owned;
};
