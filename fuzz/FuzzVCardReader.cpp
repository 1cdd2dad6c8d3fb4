// The vCard reader over whole files.
#include "FuzzReader.h"
#include "VCardReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<CVCardReader>(data, size);
}
