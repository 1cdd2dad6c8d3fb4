// kvCopyText: the first byte is the field size, the rest the text. The field
// is allocated at exactly its size, so any write past it is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    int fieldSize = data[0] % 64;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::unique_ptr<char[]> field(fieldSize > 0 ? new char[static_cast<size_t>(fieldSize)]
                                                : nullptr);
    bool copied = CCp932::CopyText(field.get(), text.c_str(), fieldSize);
    if (copied != (fieldSize > 0))
        std::abort();
    if (!copied)
        return 0;
    size_t length = strnlen(field.get(), static_cast<size_t>(fieldSize));
    // Always terminated, a prefix of the text, never ending inside a character.
    if (length >= static_cast<size_t>(fieldSize) || text.compare(0, length, field.get()) != 0)
        std::abort();
    if (CCp932::CutLength(text.data(), length, length) != length)
        std::abort();
    size_t position = 0;
    while (position < length)
        position += CCp932::IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
    if (position != length)
        std::abort();
    return 0;
}
