#include "PgParameters.h"

CPgParameters::CPgParameters(int count)
    : m_values(static_cast<size_t>(count), ""), m_lengths(static_cast<size_t>(count), 0),
      m_formats(static_cast<size_t>(count), 1), m_owned(static_cast<size_t>(count)) {}

std::string* CPgParameters::Slot(int index) {
    if (index < 1 || index > Count())
        return nullptr;
    return &m_owned[static_cast<size_t>(index - 1)];
}

void CPgParameters::Text(int index, const char* text) {
    if (text == nullptr)
        text = "";
    Bytes(index, text, std::char_traits<char>::length(text), true);
}

void CPgParameters::Bytes(int index, const char* data, size_t length, bool copy) {
    std::string* owned = Slot(index);
    if (owned == nullptr)
        return;
    size_t i = static_cast<size_t>(index - 1);
    if (data == nullptr)
        data = "";
    if (copy) {
        owned->assign(data, length);
        data = owned->data();
    }
    m_values[i] = data;
    m_lengths[i] = static_cast<int>(length);
    m_formats[i] = 1;
}

void CPgParameters::Int(int index, long long value) {
    std::string* owned = Slot(index);
    if (owned == nullptr)
        return;
    size_t i = static_cast<size_t>(index - 1);
    *owned = std::to_string(value);
    m_values[i] = owned->c_str();
    m_lengths[i] = static_cast<int>(owned->size());
    m_formats[i] = 0;
}
