#include "RuleCheck.h"

#include <algorithm>
#include <cstdlib>
#include <libical/ical.h>

namespace {

bool Given(const short* values) {
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether every value of the list lies in [low, high].
template <size_t N> bool Within(const short (&values)[N], int low, int high) {
    for (size_t i = 0; i < N && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (values[i] < low || values[i] > high)
            return false;
    return true;
}

// Whether day (1-based, of count) is listed, counted from the start or, for
// a negative value, from the end; an empty list takes every day.
template <size_t N> bool Listed(const short (&values)[N], int day, int count) {
    if (!Given(values))
        return true;
    for (size_t i = 0; i < N && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (values[i] == day || values[i] == day - count - 1)
            return true;
    return false;
}

bool MonthListed(const icalrecurrencetype& rule, int month) {
    if (!Given(rule.by_month))
        return true;
    for (size_t i = 0; i < ICAL_BY_MONTH_SIZE && rule.by_month[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (icalrecurrencetype_month_month(rule.by_month[i]) == month)
            return true;
    return false;
}

// Whether some date of a common or a leap year has a month, day of the month
// and day of the year the rule lists: the days of the week recur on every
// date within 400 years, so they never rule a date out.
bool SomeDateMatches(const icalrecurrencetype& rule) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int leap = 0; leap < 2; ++leap) {
        const int yearDays = 365 + leap;
        int yearDay = 0;
        for (int month = 1; month <= 12; ++month) {
            const int monthDays = kDays[month - 1] + (month == 2 ? leap : 0);
            for (int day = 1; day <= monthDays; ++day) {
                ++yearDay;
                if (MonthListed(rule, month) && Listed(rule.by_month_day, day, monthDays) &&
                    Listed(rule.by_year_day, yearDay, yearDays))
                    return true;
            }
        }
    }
    return false;
}

template <size_t N> int Count(const short (&values)[N]) {
    int count = 0;
    while (static_cast<size_t>(count) < N && values[count] != ICAL_RECURRENCE_ARRAY_MAX)
        ++count;
    return count;
}

// The most occurrences one period of the rule can hold before BYSETPOS picks
// among them: an upper bound, from the parts that add occurrences.
long long MostInPeriod(const icalrecurrencetype& rule) {
    const int months = Count(rule.by_month), monthDays = Count(rule.by_month_day);
    long long unpositioned = 0, positioned = 0; // days of the week without a position, with one
    for (int i = 0; i < Count(rule.by_day); ++i)
        ++(icalrecurrencetype_day_position(rule.by_day[i]) == 0 ? unpositioned : positioned);
    const long long weekDays = 5 * unpositioned + positioned; // in a month
    long long days = 1;
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
        if (Given(rule.by_year_day))
            days = Count(rule.by_year_day);
        else if (monthDays > 0)
            days = static_cast<long long>(monthDays) * (months > 0 ? months : 12);
        else if (Given(rule.by_week_no))
            days = 7LL * Count(rule.by_week_no);
        else if (weekDays > 0)
            days = months > 0 ? weekDays * months : 53 * unpositioned + positioned;
        else if (months > 0)
            days = months;
        break;
    case ICAL_MONTHLY_RECURRENCE:
        days = monthDays > 0 ? monthDays : weekDays > 0 ? weekDays : 1;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        days = Given(rule.by_day) ? Count(rule.by_day) : 1;
        break;
    default:
        break;
    }
    auto times = [](int count) { return count > 0 ? count : 1; };
    return std::min<long long>(days, 366) * times(Count(rule.by_hour)) *
           times(Count(rule.by_minute)) * times(Count(rule.by_second));
}

// Whether BYSETPOS can pick anything: some position within the most a period holds.
bool SomePositionFits(const icalrecurrencetype& rule) {
    if (!Given(rule.by_set_pos))
        return true;
    const long long most = MostInPeriod(rule);
    for (int i = 0; i < Count(rule.by_set_pos); ++i)
        if (rule.by_set_pos[i] != 0 && std::abs(static_cast<int>(rule.by_set_pos[i])) <= most)
            return true;
    return false;
}

} // namespace

CRuleCheck::Verdict CRuleCheck::Of(const icalrecurrencetype& rule) {
    if (!Within(rule.by_second, 0, 60) || !Within(rule.by_minute, 0, 59) ||
        !Within(rule.by_hour, 0, 23) || !SomeDateMatches(rule) || !SomePositionFits(rule))
        return Verdict::Never;
    // By the hour or finer, any part that leaves out some of the steps may
    // leave out all of them for centuries (a step of two hours and an odd
    // hour listed): libical would step through them all. No calendar program
    // writes such rules for events.
    const bool finer = rule.freq == ICAL_SECONDLY_RECURRENCE ||
                       rule.freq == ICAL_MINUTELY_RECURRENCE || rule.freq == ICAL_HOURLY_RECURRENCE;
    if (finer && (Given(rule.by_second) || Given(rule.by_minute) || Given(rule.by_hour) ||
                  Given(rule.by_day) || Given(rule.by_month_day) || Given(rule.by_year_day) ||
                  Given(rule.by_week_no) || Given(rule.by_month) || Given(rule.by_set_pos)))
        return Verdict::Unbounded;
    return Verdict::Follow;
}
