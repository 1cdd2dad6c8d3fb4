#pragma once

#include <cstddef>
#include <vector>

class CStatement;

// Writes rows into the caller's record buffers without clearing kilobytes per
// record: a buffer seen for the first time (in this enumeration) is cleared
// whole; when the same buffer comes back, each text field clears only what its
// previous text left behind its new NUL. Either way every byte of every field
// is the text, its NUL, or zero.
class CRecordFiller {
public:
    // Starts a record in buffer of size bytes.
    void Begin(void* buffer, size_t size);
    // Forgets the buffer: the next one is cleared whole (new enumeration).
    void Reset() { m_pLast = nullptr; }
    // Copies column of row into the field at offset of width bytes.
    void Text(const CStatement& row, int column, size_t offset, size_t width);
    // Copies length bytes of data into the field at offset of width bytes.
    void Bytes(const char* data, size_t length, size_t offset, size_t width);

private:
    char* m_pRecord = nullptr;
    const void* m_pLast = nullptr;
    size_t m_nField = 0;
    std::vector<size_t> m_used; // per field, in call order: bytes that may be non-zero
};
