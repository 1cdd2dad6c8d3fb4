#pragma once

// What a list delivered of an entry beside its record: the entry's ID and the
// change count of the write that made it as it is (kelvo.h, kvLastEntry).
struct CEntryStamp {
    long long id = 0;
    long long changed = 0;
};
