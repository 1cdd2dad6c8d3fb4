#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ContentLine.h"

// Turns the lines of a vCalendar 1.0 component (phones' .vcs) into the
// iCalendar lines the reader takes: quoted-printable and CHARSET values
// decoded into the form the file's text comes in, DCREATED as CREATED, the
// basic recurrence grammar ("W1 TU TH #4") as an RRULE by libical's vCalendar
// reader, an alarm at a time (AALARM, DALARM) as one before the start, and a
// day from 0:00 to 23:59 as a day. A component at a time.
class CVCalendarLines {
public:
    // A component begins.
    void Begin();
    // A line of the component (key: its name, upper case; depth 1 for its own
    // properties) into the lines that stand for it, appended to out. unicode:
    // the file's text comes as UTF-8 (else code page 932), as told so far.
    void Translate(std::string_view key, const std::string& line, int depth, bool unicode,
                   std::vector<std::string>& out);
    // Before the component's END: what waited for the whole component.
    void Finish(std::vector<std::string>& out);
    // The characters code page 932 lacks that the decoded texts of the last
    // component lost (each became 〓), taken.
    int TakeLost() { return std::exchange(m_nLost, 0); }
    // The rules of the last component that could not be read (kept beside the
    // entry as X-VCAL-RRULE), taken.
    std::vector<std::string> TakeUnread();

    // A basic recurrence rule as an RRULE value; empty when it cannot be read.
    static std::string Rule(std::string_view value);

private:
    CContentLine m_property;
    std::string m_strStart, m_strEnd; // DTSTART and DTEND lines, for Finish
    std::string m_strStartValue, m_strEndValue;
    std::vector<std::string> m_rules;  // RRULE and EXRULE lines
    std::vector<std::string> m_alarms; // the times of alarms
    std::vector<std::string> m_unread;
    int m_nLost = 0;
};
