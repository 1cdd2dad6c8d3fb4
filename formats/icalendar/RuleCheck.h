#pragma once

struct icalrecurrencetype;

// Whether libical can follow a recurrence rule within bounds. libical looks
// for a rule's next occurrence step by step (by the second for FREQ=SECONDLY)
// up to the year 2582, inside one call: a rule that never occurs, or one by
// the second or minute limited to a few dates, keeps that call going for
// minutes or hours. Such rules are told apart before they are followed.
class CRuleCheck {
public:
    enum class Verdict {
        Follow,   // libical finds each occurrence in bounded time
        Never,    // no date or time can ever match (February 30, an hour 25)
        Unbounded // by the hour, minute or second, limited by other parts
    };
    static Verdict Of(const icalrecurrencetype& rule);
};
