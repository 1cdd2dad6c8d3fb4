#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "Original.h"
#include "kelvo.h"

// A record's main fields as one line for a person (a preview, a summary),
// each under the name Outlook's export gives its column: the fields that tell
// one entry from another, the memo's or comment's first line. Every form's
// reader describes its records so: in UTF-8, with the whole texts the record
// keeps beside it where the fields could not hold them.
class CRecordDescription {
public:
    // The name the file itself gives the field at offset in the record (code
    // page 932), or empty for the usual one.
    using GivenName = std::function<std::string(size_t offset)>;

    static std::string Address(const kvAddressRecord& record, const GivenName& given = nullptr,
                               const COriginal* original = nullptr);
    static std::string Schedule(const kvScheduleRecord& record, const GivenName& given = nullptr,
                                const COriginal* original = nullptr);
    // A time as the lists show it: "2001/01/05", with the clock " 09:05".
    static std::string Time(const kvTimeBlock& time, bool withClock);
};
