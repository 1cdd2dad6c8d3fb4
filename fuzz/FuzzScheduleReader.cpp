// The schedule reader over whole files.
#include "FuzzReader.h"
#include "OutlookScheduleReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<COutlookScheduleReader>(data, size);
}
