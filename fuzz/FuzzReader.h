#pragma once

#include <cstddef>
#include <cstdint>

#include "FuzzBackend.h"
#include "FuzzInputFile.h"
#include "RecordReader.h"
#include "RecordStore.h"
#include "TextFile.h"

// Runs a reader of type Reader over the fuzz input as a whole file, with the
// options taken from the input's size so that every combination is reached.
template <typename Reader> int FuzzReader(const uint8_t* data, size_t size) {
    static bool installed = (CFuzzBackend::Install(), true);
    (void)installed;
    CTextFile file;
    if (!file.Open(CFuzzInputFile::Write(data, size)))
        return 0;
    // Small reads, so that characters, line ends and quotes fall across them;
    // Unicode delivered as UTF-8 (as an import has it) or converted.
    file.SetChunk(1 + size % 61);
    file.DeliverUnicode(size % 5 != 0);
    // Stored as an import stores them: the fuzz backend checks every record.
    CRecordStore store("owner", size % 2 == 0, size % 3 == 0);
    Reader reader(file, size % 2 == 0);
    if (reader.Begin() != CRecordReader::Start::Ready)
        return 0;
    for (CRecordReader::Step step; (step = reader.Next()) != CRecordReader::Step::End;)
        if (step == CRecordReader::Step::Record)
            store.Store(reader);
    return 0;
}
