#include "RecordText.h"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>

// The list's date cells equal printf's "%04d/%02d/%02d %02d:%02d" of year + 1900
// and month + 1, for every day of the calendar, including years that overflow an
// int sum; what is no day of the calendar (a date left empty: day 0 of January
// 1900, a 13th month, February 30th) is shown empty.
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
            const bool day = other >= 1 && other <= 11; // month and day alike
            char expected[100];
            std::snprintf(expected, sizeof(expected), "%04lld/%02lld/%02d %02d:%02d", year + 1900,
                          other + 1, time.dayOfMonth, time.hours, time.minutes);
            ASSERT_EQ(CRecordText::DateTime(time), day ? expected : "") << year << " " << other;
            std::snprintf(expected, sizeof(expected), "%04lld/%02lld/%02d", year + 1900, other + 1,
                          time.dayOfMonth);
            ASSERT_EQ(CRecordText::Date(time), day ? expected : "") << year << " " << other;
        }
    const kvTimeBlock undated{0, 0, 10, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(CRecordText::DateTime(undated), "") << "not 1900/01/00 10:00";
    EXPECT_EQ(CRecordText::Date(kvTimeBlock{0, 0, 0, 30, 1, 126, 0, 0, 0}), "") << "February 30";
    EXPECT_EQ(CRecordText::Date(kvTimeBlock{0, 0, 0, 29, 1, 124, 0, 0, 0}), "2024/02/29");
    EXPECT_EQ(CRecordText::Date(kvTimeBlock{0, 0, 0, 29, 1, 125, 0, 0, 0}), "");
    EXPECT_EQ(CRecordText::Id(255), "000000FF");
    EXPECT_EQ(CRecordText::Id(0), "00000000");
}
