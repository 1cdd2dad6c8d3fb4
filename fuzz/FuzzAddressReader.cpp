// The address reader over whole files.
#include "FuzzReader.h"
#include "OutlookAddressReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<COutlookAddressReader>(data, size);
}
