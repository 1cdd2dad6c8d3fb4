#include "TimeKey.h"

#include <cstdint>

namespace {

void Put(std::string& out, long long value) {
    const uint32_t bits = static_cast<uint32_t>(static_cast<int32_t>(value)) ^ 0x80000000u;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((bits >> shift) & 0xFF);
}

int32_t Get(const char* data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const uint32_t bits = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                          (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]};
    return static_cast<int32_t>(bits ^ 0x80000000u);
}

} // namespace

std::string CTimeKey::Pack(long long year, long long month, long long day, long long hour,
                           long long minute, long long second) {
    std::string key;
    key.reserve(kSize);
    for (long long part : {year, month, day, hour, minute, second})
        Put(key, part);
    return key;
}

std::string CTimeKey::Pack(const kvTimeBlock& time) {
    return Pack(time.yearsSince1900, time.month, time.dayOfMonth, time.hours, time.minutes,
                time.seconds);
}

void CTimeKey::Unpack(const char* data, size_t length, kvTimeBlock& time) {
    if (data == nullptr || length != kSize) {
        time.yearsSince1900 = time.month = time.dayOfMonth = 0;
        time.hours = time.minutes = time.seconds = 0;
        return;
    }
    time.yearsSince1900 = Get(data);
    time.month = Get(data + 4);
    time.dayOfMonth = Get(data + 8);
    time.hours = Get(data + 12);
    time.minutes = Get(data + 16);
    time.seconds = Get(data + 20);
}
