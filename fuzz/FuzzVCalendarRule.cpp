// vCalendar 1.0's recurrence grammar as libical's vCalendar reader turns it
// into an RRULE: any text a .vcs file may give as a rule.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "VCalendarLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CVCalendarLines::Rule(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
