#pragma once

#include <cstddef>
#include <string>

#include "kelvo.h"

// A time block as the schedules store it: year (since 1900), month, day,
// hour, minute and second, each 4 bytes big-endian with the sign bit flipped,
// so that comparing the 24 bytes (as both engines compare a BLOB or bytea)
// orders the times as the numbers order them. Any int32 values are kept as
// they are, even those no calendar has. One column instead of six: a list
// reads two columns for the two times, not twelve.
class CTimeKey {
public:
    static constexpr size_t kSize = 24;

    static std::string Pack(const kvTimeBlock& time);
    static std::string Pack(long long year, long long month, long long day, long long hour,
                            long long minute, long long second);
    // Fills the six fields of time (the others untouched); a value of another
    // length leaves them zero.
    static void Unpack(const char* data, size_t length, kvTimeBlock& time);
};
