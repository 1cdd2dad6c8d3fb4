// The schedule reader over whole files.
#include <cstdint>

#include "FuzzBackend.h"
#include "FuzzInputFile.h"
#include "OutlookScheduleReader.h"
#include "OutlookTextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool installed = (CFuzzBackend::Install(), true);
    (void)installed;
    COutlookTextFile file;
    if (!file.Open(CFuzzInputFile::Write(data, size)))
        return 0;
    COutlookScheduleReader reader(file, "owner", size % 2 == 0, size % 3 == 0);
    if (reader.Begin() == COutlookTabReader::Start::Ready)
        while (reader.Next() != COutlookTabReader::Step::End)
            ;
    return 0;
}
