#pragma once

#include <cstddef>
#include <cstdint>

#include "FuzzBackend.h"
#include "FuzzInputFile.h"
#include "OutlookTabReader.h"
#include "OutlookTextFile.h"

// Runs a reader of type Reader over the fuzz input as a whole file, with the
// options taken from the input's size so that every combination is reached.
template <typename Reader> int FuzzReader(const uint8_t* data, size_t size) {
    static bool installed = (CFuzzBackend::Install(), true);
    (void)installed;
    COutlookTextFile file;
    if (!file.Open(CFuzzInputFile::Write(data, size)))
        return 0;
    // Small reads, so that characters, line ends and quotes fall across them.
    file.SetChunk(1 + size % 61);
    Reader reader(file, "owner", size % 2 == 0, size % 3 == 0);
    if (reader.Begin() == COutlookTabReader::Start::Ready)
        while (reader.Next() != COutlookTabReader::Step::End)
            ;
    return 0;
}
