#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "RecordText.h"

// The list's date cells equal printf's "%04d/%02d/%02d %02d:%02d" of year + 1900
// and month + 1, for every value, including those that overflow an int sum.
TEST(RecordText, DatesMatchPrintfForAllValues) {
    const long long values[] = {
        INT_MIN, -1901, -1900,          -1,     0, 1, 9, 10, 99, 100, 8099, 8100,
        9999,    10000, INT_MAX - 1900, INT_MAX};
    for (long long year : values)
        for (long long other : values) {
            kvTimeBlock time{0,
                             static_cast<int32_t>(other),
                             static_cast<int32_t>(other),
                             static_cast<int32_t>(other),
                             static_cast<int32_t>(other),
                             static_cast<int32_t>(year),
                             0,
                             0,
                             0};
            char expected[100];
            std::snprintf(expected, sizeof(expected), "%04lld/%02lld/%02d %02d:%02d", year + 1900,
                          other + 1, time.dayOfMonth, time.hours, time.minutes);
            ASSERT_EQ(CRecordText::DateTime(time), expected) << year << " " << other;
            std::snprintf(expected, sizeof(expected), "%04lld/%02lld/%02d", year + 1900, other + 1,
                          time.dayOfMonth);
            ASSERT_EQ(CRecordText::Date(time), expected) << year << " " << other;
        }
    EXPECT_EQ(CRecordText::Id(255), "000000FF");
    EXPECT_EQ(CRecordText::Id(0), "00000000");
}
