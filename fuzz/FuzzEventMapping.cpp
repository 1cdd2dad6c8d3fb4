// The mapping of parsed iCalendar components into schedule entries: the
// input's parts (separated by a line "--") are zones, then an event, then the
// instances that override it, handed to libical and mapped as the iCalendar
// import maps them. The window is fixed, so that a run does not depend on the day.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "EventMapper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool zoned = (setenv("TZ", "Asia/Tokyo", 1), true);
    (void)zoned;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t end = input.find("\n--\n", start);
        parts.push_back(input.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 4;
    }
    CEventMapper mapper(1796774400); // 2026-12-09
    // A third of the inputs as the reader hands over a plain event: its first
    // lines are the values of DTSTART, its TZID, DTEND, its TZID, DURATION and
    // a relative TRIGGER.
    if (size % 3 == 0) {
        std::vector<std::string> lines;
        for (size_t start = 0; lines.size() < 6 && start <= input.size();) {
            size_t end = input.find('\n', start);
            lines.push_back(input.substr(start, end == std::string::npos ? end : end - start));
            start = end == std::string::npos ? input.size() + 1 : end + 1;
        }
        lines.resize(6);
        CEventMapper::CComponent plain;
        plain.simple = {true,     lines[0],      lines[1],      lines[2], lines[3],
                        lines[4], size % 2 == 0, size % 5 == 0, lines[5], size % 7 == 0};
        CEventMapper::CEvent event;
        std::string why;
        if (mapper.Map(plain, {}, event, why) == CEventMapper::Result::Mapped &&
            (event.occurrences.size() != 1 || event.variants.size() != 1))
            std::abort();
        return 0;
    }
    size_t i = 0;
    std::string ignored;
    while (i < parts.size() && parts[i].find("BEGIN:VTIMEZONE") != std::string::npos)
        mapper.AddZone(parts[i++], ignored);
    if (i >= parts.size())
        return 0;
    // The texts as libical reads them, or (on odd sizes) as the reader hands them over.
    auto component = [size](const std::string& text) {
        CEventMapper::CComponent given;
        given.ical = text;
        if (size % 2 == 1) {
            given.hasTexts = true;
            given.title = text.substr(0, 20);
        }
        return given;
    };
    std::vector<CEventMapper::CComponent> overrides;
    for (size_t j = i + 1; j < parts.size(); ++j)
        overrides.push_back(component(parts[j]));
    CEventMapper::CEvent event;
    std::string why;
    if (mapper.Map(component(parts[i]), overrides, event, why) == CEventMapper::Result::Mapped) {
        // Bounded however the rules read, and every occurrence names a variant.
        if (event.occurrences.size() > CEventMapper::kMaxOccurrences + overrides.size() + 1)
            std::abort();
        for (const CEventMapper::COccurrence& occurrence : event.occurrences)
            if (occurrence.variant >= event.variants.size())
                std::abort();
    }
    return 0;
}
