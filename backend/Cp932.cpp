#include "Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

// One converter per direction and thread; iconv_open is too slow to repeat per cell.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~CConverter() {
        if (m_handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_handle);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    bool IsValid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts input; on a byte sequence it cannot convert, calls onInvalid with
    // the remaining input and returns false if onInvalid returns false.
    template <typename OnInvalid>
    bool Convert(std::string_view input, std::string& output, OnInvalid onInvalid) {
        output.clear();
        if (!IsValid())
            return false;
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof(buffer);
            size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            if (result != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a sequence cut at the end of the input).
            if (!onInvalid(in, inLeft, output))
                return false;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t m_handle;
};

} // namespace

bool CCp932::FromUtf8(std::string_view utf8, std::string& cp932) {
    thread_local CConverter converter("CP932", "UTF-8");
    return converter.Convert(utf8, cp932, [](char*&, size_t&, std::string&) { return false; });
}

std::string CCp932::ToUtf8(std::string_view cp932) {
    thread_local CConverter converter("UTF-8", "CP932");
    std::string utf8;
    bool ok = converter.Convert(cp932, utf8, [](char*& in, size_t& left, std::string& output) {
        // Skip a whole unmappable pair, else the single bad byte.
        size_t skip = 1;
        if (left >= 2 && CCp932::IsLeadByte(static_cast<unsigned char>(in[0])) &&
            CCp932::IsTrailByte(static_cast<unsigned char>(in[1])))
            skip = 2;
        output += "\xEF\xBF\xBD";
        in += skip;
        left -= skip;
        return true;
    });
    if (!ok)
        utf8.assign(cp932.size(), '?');
    return utf8;
}

size_t CCp932::FieldLength(const char* field, size_t width) {
    if (field == nullptr)
        return 0;
    const void* nul = std::memchr(field, '\0', width);
    return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
}

size_t CCp932::CutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit)
        return length;
    size_t position = 0;
    while (position < limit) {
        size_t step = IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
        if (position + step > limit)
            break;
        position += step;
    }
    return position;
}

bool CCp932::CopyText(char* field, const char* text, int fieldSize) {
    if (field == nullptr || fieldSize <= 0)
        return false;
    size_t limit = static_cast<size_t>(fieldSize) - 1;
    size_t length = 0;
    // Walk character by character so that a double-byte character that does not
    // fit, or a lead byte whose partner is missing, is left out whole.
    while (text != nullptr && text[length] != '\0') {
        bool lead = IsLeadByte(static_cast<unsigned char>(text[length]));
        if (lead && text[length + 1] == '\0')
            break;
        size_t step = lead ? 2 : 1;
        if (length + step > limit)
            break;
        length += step;
    }
    if (length > 0)
        std::memmove(field, text, length);
    field[length] = '\0';
    return true;
}
