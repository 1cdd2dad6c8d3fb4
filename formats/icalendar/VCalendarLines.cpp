#include "VCalendarLines.h"

#include <libical/ical.h>
#include <libical/vcc.h>
extern "C" {
#include <libical/icalvcal.h> // declares no C linkage of its own
}

#include <algorithm>
#include <ctime>
#include <memory>
#include <mutex>

#include "PropertyText.h"

namespace {

// The vCalendar parser keeps its state in globals and prints what it cannot
// read: one rule at a time, quietly.
std::mutex g_parser;
void Quiet(char*) {}

struct CFreeComponent {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};

// "YYYYMMDDTHHMMSS" (with Z or not) as seconds of a calendar without zones;
// false when not so.
bool Seconds(std::string_view value, bool& utc, long long& seconds) {
    utc = !value.empty() && (value.back() == 'Z' || value.back() == 'z');
    if (utc)
        value.remove_suffix(1);
    if (value.size() != 15 || (value[8] != 'T' && value[8] != 't'))
        return false;
    for (size_t i = 0; i < 15; ++i)
        if (i != 8 && (value[i] < '0' || value[i] > '9'))
            return false;
    auto number = [&](size_t at, size_t length) {
        int n = 0;
        for (size_t i = at; i < at + length; ++i)
            n = n * 10 + (value[i] - '0');
        return n;
    };
    std::tm tm{};
    tm.tm_year = number(0, 4) - 1900;
    tm.tm_mon = number(4, 2) - 1;
    tm.tm_mday = number(6, 2);
    tm.tm_hour = number(9, 2);
    tm.tm_min = number(11, 2);
    tm.tm_sec = number(13, 2);
    seconds = static_cast<long long>(timegm(&tm));
    return true;
}

std::string Day(long long seconds) {
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&when, &tm);
    char text[16];
    std::strftime(text, sizeof(text), "%Y%m%d", &tm);
    return text;
}

} // namespace

void CVCalendarLines::Begin() {
    m_strStart.clear();
    m_strEnd.clear();
    m_strStartValue.clear();
    m_strEndValue.clear();
    m_rules.clear();
    m_alarms.clear();
    m_unread.clear();
    m_nLost = 0;
}

void CVCalendarLines::Translate(std::string_view key, const std::string& line, int depth,
                                bool unicode, std::vector<std::string>& out) {
    if (depth != 1 || key == "BEGIN" || key == "END" || !m_property.Parse(line)) {
        out.push_back(line);
        return;
    }
    if (key == "DTSTART" || key == "DTEND") {
        (key == "DTSTART" ? m_strStart : m_strEnd) = line;
        (key == "DTSTART" ? m_strStartValue : m_strEndValue) = m_property.Value();
        return;
    }
    if (key == "RRULE" || key == "EXRULE") {
        m_rules.push_back(line);
        return;
    }
    if (key == "AALARM" || key == "DALARM" || key == "PALARM" || key == "MALARM") {
        // Its run time; snooze, repeats and what it plays or says are no
        // part of the entry's alarm.
        const std::string_view value = m_property.Value();
        m_alarms.emplace_back(value.substr(0, value.find(';')));
        return;
    }
    const std::string name = key == "DCREATED" ? std::string("CREATED") : std::string(key);
    const std::string encoding = m_property.Encoding();
    const std::string charset = m_property.Param("CHARSET");
    if ((encoding.empty() && charset.empty()) || key == "ATTACH") {
        out.push_back(key == "DCREATED" ? name + line.substr(key.size()) : line);
        return;
    }
    // A text in a set or an encoding of its own: decoded into the file's
    // form, its line breaks as iCalendar writes them.
    const std::string_view value = m_property.Value();
    const std::string bytes = encoding == "B" ? CPropertyText::DecodeBase64(value)
                              : encoding == "QUOTED-PRINTABLE"
                                  ? CPropertyText::DecodeQuotedPrintable(value)
                                  : std::string(value);
    std::string text;
    if (unicode)
        text = CPropertyText::ToUtf8(bytes, charset);
    else
        m_nLost += CPropertyText::ToCp932(bytes, charset, text);
    std::string escaped = name + ":";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        escaped +=
            text[i] == '\n' || text[i] == '\r' ? std::string("\\n") : std::string(1, text[i]);
    }
    out.push_back(std::move(escaped));
}

void CVCalendarLines::Finish(std::vector<std::string>& out) {
    // Phones write a day as 0:00 to 23:59 of it.
    bool startUtc = false, endUtc = false;
    long long start = 0, end = 0;
    const bool haveStart = Seconds(m_strStartValue, startUtc, start);
    const bool haveEnd = Seconds(m_strEndValue, endUtc, end);
    if (haveStart && haveEnd && !startUtc && !endUtc && start % 86400 == 0 && end >= start &&
        (end % 86400 == 86340 || end % 86400 == 86399)) {
        out.push_back("DTSTART;VALUE=DATE:" + Day(start));
        out.push_back("DTEND;VALUE=DATE:" + Day(end + 60));
    } else {
        if (!m_strStart.empty())
            out.push_back(m_strStart);
        if (!m_strEnd.empty())
            out.push_back(m_strEnd);
    }
    for (const std::string& line : m_rules) {
        const bool exception = line.size() > 1 && (line[0] == 'E' || line[0] == 'e');
        m_property.Parse(line);
        const std::string rule = Rule(m_property.Value());
        if (!rule.empty()) {
            out.push_back((exception ? "EXRULE:" : "RRULE:") + rule);
        } else {
            out.push_back("X-VCAL-" + line);
            m_unread.emplace_back(m_property.Value());
        }
    }
    // The first alarm is the entry's, as the time before the start it rings.
    for (const std::string& when : m_alarms) {
        bool alarmUtc = false;
        long long alarm = 0;
        out.push_back("BEGIN:VALARM");
        out.push_back("ACTION:DISPLAY");
        if (haveStart && Seconds(when, alarmUtc, alarm) && alarmUtc == startUtc) {
            const long long before = start - alarm;
            const long long magnitude = before < 0 ? -before : before;
            out.push_back(std::string("TRIGGER:") + (before > 0 ? "-" : "") + "PT" +
                          (magnitude % 60 == 0 ? std::to_string(magnitude / 60) + "M"
                                               : std::to_string(magnitude) + "S"));
        } else {
            out.push_back("TRIGGER;VALUE=DATE-TIME:" + when);
        }
        out.push_back("END:VALARM");
    }
    m_rules.clear();
    m_alarms.clear();
}

std::vector<std::string> CVCalendarLines::TakeUnread() {
    return std::move(m_unread);
}

std::string CVCalendarLines::Rule(std::string_view value) {
    // A rule is a few words of ASCII; anything else is none.
    if (value.empty() || value.size() > 512 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string();
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nRRULE:" + std::string(value) +
        "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    std::unique_ptr<icalcomponent, CFreeComponent> calendar;
    {
        std::lock_guard<std::mutex> lock(g_parser);
        registerMimeErrorHandler(Quiet);
        VObject* object = Parse_MIME(text.data(), static_cast<unsigned long>(text.size()));
        if (object == nullptr)
            return std::string();
        calendar.reset(icalvcal_convert(object));
        cleanVObjects(object);
    }
    if (!calendar)
        return std::string();
    icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    icalproperty* rule =
        event != nullptr ? icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) : nullptr;
    if (rule == nullptr)
        return std::string();
    struct icalrecurrencetype recurrence = icalproperty_get_rrule(rule);
    char* written = icalrecurrencetype_as_string_r(&recurrence);
    if (written == nullptr)
        return std::string();
    std::string result(written);
    icalmemory_free_buffer(written);
    return result;
}
