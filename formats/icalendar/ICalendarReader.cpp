#include "ICalendarReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "ContentLine.h"
#include "Cp932.h"
#include "RecordDescription.h"
#include "TextFile.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    size_t end = text.find_last_not_of(" \t");
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

// The name of a property line in upper case, without its group; empty when
// the line has none. Into a small buffer: most lines are only looked at.
std::string_view NameOf(const std::string& line, char (&buffer)[32]) {
    size_t end = CContentLine::FindEither(line, ';', ':');
    if (end == std::string::npos || end == 0)
        return std::string_view();
    size_t start = line.rfind('.', end);
    start = start == std::string::npos ? 0 : start + 1;
    if (end - start >= sizeof(buffer))
        return std::string_view("X-");
    for (size_t i = start; i < end; ++i)
        buffer[i - start] =
            line[i] >= 'a' && line[i] <= 'z' ? static_cast<char>(line[i] - 32) : line[i];
    return std::string_view(buffer, end - start);
}

std::string Date(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return text;
}

} // namespace

CICalendarReader::CICalendarReader(CTextFile& file, bool isPublic, std::time_t now)
    : CRecordReader(file, isPublic), m_lines(file), m_mapper(now),
      m_pRecord(std::make_unique<kvScheduleRecord>()) {
    std::memset(m_pRecord.get(), 0, sizeof(kvScheduleRecord));
    SetForm(Form::ICalendar);
}

CICalendarReader::~CICalendarReader() = default;

CRecordReader::Start CICalendarReader::Begin() {
    return Start::Ready; // the components begin with the first line
}

CICalendarReader::CGathered CICalendarReader::Gather(const std::string& name) {
    CGathered gathered;
    gathered.name = name;
    gathered.plain = gathered.IsEvent();
    gathered.component.ical = "BEGIN:" + name + "\r\n";
    gathered.component.textsUnicode = File().DeliversUnicode();
    const bool kept = gathered.IsEvent() || name == "VTIMEZONE";
    if (kept)
        gathered.component.source = "BEGIN:" + name + "\r\n";
    std::string raw;
    std::vector<std::string> lines; // what a line of a vCalendar 1.0 file stands for
    if (m_pVersion1)
        m_pVersion1->Begin();
    while (NextContentLine(m_lines, raw)) {
        if (!m_pVersion1) {
            if (GatherLine(raw, gathered))
                return gathered;
            continue;
        }
        lines.clear();
        char buffer[32];
        const std::string_view key = NameOf(raw, buffer);
        if (key == "END" && gathered.depth == 1)
            m_pVersion1->Finish(lines);
        m_pVersion1->Translate(key, raw, gathered.depth, File().DeliversUnicode(), lines);
        for (const std::string& line : lines)
            if (GatherLine(line, gathered))
                return gathered;
    }
    return gathered; // the file ended first
}

bool CICalendarReader::GatherLine(const std::string& line, CGathered& gathered) {
    const std::string& name = gathered.name;
    const bool kept = gathered.IsEvent() || name == "VTIMEZONE";
    std::string& utf8 = m_strUtf8;
    {
        char buffer[32];
        const std::string_view key = NameOf(line, buffer);
        // libical reads UTF-8; a code page 932 file's lines are converted for it.
        const bool ascii = File().DeliversUnicode() ||
                           std::all_of(line.begin(), line.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        const std::string& text = ascii ? line : (utf8 = CCp932::ToUtf8(line));
        if (key == "END" && gathered.depth == 1) {
            CEventMapper::CComponent& component = gathered.component;
            component.ical += "END:" + name + "\r\n";
            component.simple.usable =
                gathered.plain && gathered.haveStart && !gathered.recurring && !gathered.isOverride;
            gathered.complete = !gathered.tooLarge;
            if (kept)
                component.source += "END:" + name + "\r\n";
            return true;
        }
        if (kept)
            Note(key, text, gathered);
        // A duration with its sign inside ("PT-2H", as a rail operator's
        // tickets write it) is no duration to libical: the sign goes in front.
        if (key == "TRIGGER" && m_property.Parse(line)) {
            const std::string_view value = m_property.Value();
            const size_t sign = value.find_first_of("+-", value.compare(0, 1, "P") == 0 ? 0 : 1);
            if (sign != std::string_view::npos && sign > 0 && value.find('P') < sign &&
                line.size() >= value.size() &&
                line.compare(line.size() - value.size(), value.size(), value) == 0) {
                WarnAt(m_lines.Line(), CWarning::Kind::SignInside, "TRIGGER", std::string(value));
                const bool negative = (value[sign] == '-') != (value[0] == '-');
                std::string fixed(value.substr(value[0] == '+' || value[0] == '-' ? 1 : 0));
                fixed.erase(fixed.find_first_of("+-"), 1);
                fixed.insert(0, negative ? "-" : "");
                const std::string given = line.substr(0, line.size() - value.size()) + fixed;
                if (Take(key, given, gathered))
                    AddForLibical(given, gathered);
                return false;
            }
        }
        if (Take(key, line, gathered))
            AddForLibical(text, gathered);
    }
    return false;
}

void CICalendarReader::Note(std::string_view key, const std::string& line, CGathered& gathered) {
    CEventMapper::CComponent& component = gathered.component;
    if (component.source.size() + line.size() <= kMaxComponent)
        component.source.append(line).append("\r\n");
    if (!gathered.IsEvent()) {
        if (key == "TZID" && gathered.depth == 1 && m_property.Parse(line))
            gathered.tzid.assign(m_property.Value());
        return;
    }
    // An event's own lines that no field takes, and the components inside it
    // but the alarm the entry takes (the first one set relative to the event).
    if (gathered.depth == 1 && key != "BEGIN") {
        static const char* const kMapped[] = {"DTSTART", "DTEND",         "DURATION",
                                              "SUMMARY", "LOCATION",      "DESCRIPTION",
                                              "CLASS",   "X-KELVO-START", "X-KELVO-END"};
        for (const char* mapped : kMapped)
            if (key == mapped)
                return;
        component.unmapped.push_back(line);
        return;
    }
    if (key == "BEGIN" && gathered.depth == 1) {
        gathered.inner.assign(1, line);
        gathered.innerRelative = false;
        gathered.innerName = m_property.Parse(line) ? Upper(std::string(m_property.Value())) : "";
        return;
    }
    gathered.inner.push_back(line);
    if (gathered.depth == 2 && key == "TRIGGER" && m_property.Parse(line) &&
        m_property.Param("VALUE").empty())
        gathered.innerRelative = true;
    if (key == "END" && gathered.depth == 2) {
        if (gathered.innerName == "VALARM" && gathered.innerRelative && !gathered.alarmMapped)
            gathered.alarmMapped = true; // the entry's alarm
        else
            component.unmapped.insert(component.unmapped.end(), gathered.inner.begin(),
                                      gathered.inner.end());
        gathered.inner.clear();
    }
}

bool CICalendarReader::Take(std::string_view key, const std::string& line, CGathered& gathered) {
    if (key == "BEGIN") {
        ++gathered.depth;
        // Only alarms, one level down, leave an event plain.
        gathered.inAlarm = gathered.depth == 2 && m_property.Parse(line) &&
                           CContentLine::Matches(m_property.Value(), "VALARM");
        gathered.plain = gathered.plain && gathered.inAlarm;
        return true;
    }
    if (key == "END") {
        --gathered.depth;
        gathered.inAlarm = false;
        return true;
    }
    // Of an event, libical gets only what it reads; any other component whole.
    const bool read =
        gathered.depth == 1 ? TakeProperty(key, line, gathered) : TakeInner(key, line, gathered);
    return read || !gathered.IsEvent();
}

bool CICalendarReader::TakeProperty(std::string_view key, const std::string& line,
                                    CGathered& gathered) {
    const bool event = gathered.IsEvent();
    CEventMapper::CComponent& component = gathered.component;
    gathered.recurring = gathered.recurring || key == "RRULE" || key == "RDATE";
    gathered.isOverride = gathered.isOverride || key == "RECURRENCE-ID";
    std::string* given = key == "SUMMARY"       ? &component.title
                         : key == "LOCATION"    ? &component.place
                         : key == "DESCRIPTION" ? &component.comment
                                                : nullptr;
    if ((key == "UID" || (event && given != nullptr)) && m_property.Parse(line)) {
        if (given == nullptr) {
            gathered.uid.assign(m_property.Value());
        } else {
            *given = CContentLine::Unescape(m_property.Value(), !File().DeliversUnicode());
            component.hasTexts = true;
        }
    }
    if (event && (key == "X-KELVO-START" || key == "X-KELVO-END") && m_property.Parse(line)) {
        const bool start = key == "X-KELVO-START";
        bool& has = start ? component.hasKeptStart : component.hasKeptEnd;
        has = ReadKeptTime(m_property.Value(), start ? component.keptStart : component.keptEnd);
    }
    const bool simple = key == "DTSTART" || key == "DTEND" || key == "DURATION" ||
                        key == "STATUS" || key == "CLASS";
    if (event && gathered.plain && simple)
        gathered.plain = ReadSimple(key, line, m_property, component.simple, gathered.haveStart);
    return simple || key == "RRULE" || key == "RDATE" || key == "EXDATE" || key == "RECURRENCE-ID";
}

bool CICalendarReader::TakeInner(std::string_view key, const std::string& line,
                                 CGathered& gathered) {
    CEventMapper::CSimple& simple = gathered.component.simple;
    if (gathered.IsEvent() && gathered.plain && gathered.inAlarm && key == "TRIGGER" &&
        simple.trigger.empty() && m_property.Parse(line) && m_property.Param("VALUE").empty()) {
        std::string_view value = m_property.Value();
        if (!value.empty() && (value[0] == '-' || value[0] == '+' || value[0] == 'P')) {
            simple.trigger.assign(value);
            simple.triggerEnd = CContentLine::Matches(m_property.Param("RELATED"), "END");
        }
    }
    return key == "TRIGGER" || key == "ACTION";
}

void CICalendarReader::AddForLibical(const std::string& line, CGathered& gathered) {
    std::string& text = gathered.component.ical;
    if (text.size() + line.size() > kMaxComponent)
        gathered.tooLarge = true;
    if (!gathered.tooLarge)
        text.append(line).append("\r\n");
}

bool CICalendarReader::ReadKeptTime(std::string_view value, kvTimeBlock& time) {
    // Years since 1900, month 0-11, day, hours, minutes, seconds, as stored.
    int32_t* fields[] = {&time.yearsSince1900, &time.month,   &time.dayOfMonth,
                         &time.hours,          &time.minutes, &time.seconds};
    size_t at = 0;
    for (size_t i = 0; i < std::size(fields); ++i) {
        size_t end = value.find(',', at);
        if ((end == std::string_view::npos) != (i + 1 == std::size(fields)))
            return false;
        std::string_view part = value.substr(at, end == std::string_view::npos ? end : end - at);
        long long number = 0;
        bool negative = !part.empty() && part[0] == '-';
        if (negative)
            part.remove_prefix(1);
        if (part.empty() || part.size() > 10)
            return false;
        for (char c : part) {
            if (c < '0' || c > '9')
                return false;
            number = number * 10 + (c - '0');
        }
        number = negative ? -number : number;
        if (number < INT32_MIN || number > INT32_MAX)
            return false;
        *fields[i] = static_cast<int32_t>(number);
        at = end + 1;
    }
    return true;
}

bool CICalendarReader::ReadSimple(std::string_view key, const std::string& line,
                                  CContentLine& property, CEventMapper::CSimple& simple,
                                  bool& haveStart) {
    // Plain ASCII only (a zone's name beyond it goes through libical's parser).
    if (!property.Parse(line) || !std::all_of(line.begin(), line.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        }))
        return false;
    const std::string value(property.Value());
    if (key == "DTSTART" && !haveStart) {
        haveStart = true;
        simple.start = value;
        simple.startZone = property.Param("TZID");
    } else if (key == "DTEND" && simple.end.empty()) {
        simple.end = value;
        simple.endZone = property.Param("TZID");
    } else if (key == "DURATION" && simple.duration.empty()) {
        simple.duration = value;
    } else if (key == "STATUS") {
        simple.cancelled = simple.cancelled || CContentLine::Matches(value, "CANCELLED");
    } else if (key == "CLASS") {
        simple.isPrivate =
            CContentLine::Matches(value, "PRIVATE") || CContentLine::Matches(value, "CONFIDENTIAL");
    }
    return true;
}

CICalendarReader::Read CICalendarReader::ReadComponent() {
    std::string line;
    CContentLine property;
    for (;;) {
        if (!NextContentLine(m_lines, line))
            return Read::End;
        // The calendar's own properties (PRODID, X-WR-...) say nothing of an
        // entry; its VERSION says how its components are written.
        if (!property.Parse(line))
            continue;
        if (property.Name() == "VERSION") {
            // 1.0, and the 1.x some older calendar programs wrote.
            if (property.Value().compare(0, 2, "1.") == 0)
                m_pVersion1 = std::make_unique<CVCalendarLines>();
            else
                m_pVersion1.reset();
            SetForm(m_pVersion1 ? Form::VCalendar : Form::ICalendar);
        }
        if (property.Name() != "BEGIN")
            continue;
        const std::string name = Upper(std::string(property.Value()));
        if (name == "VCALENDAR") {
            m_pVersion1.reset();
            continue;
        }
        const int64_t at = m_lines.Line();
        CGathered gathered = Gather(name);
        if (name == "VEVENT")
            CountUnit();
        if (m_pVersion1)
            gathered.component.lost = m_pVersion1->TakeLost();
        if (m_pVersion1)
            for (const std::string& rule : m_pVersion1->TakeUnread())
                WarnAt(at, CWarning::Kind::Unfollowed, "RRULE " + rule, "unread");
        if (!gathered.complete) {
            SetRecordLine(at);
            // Too large for libical to be given, or without its end.
            Warn(CWarning::Kind::Malformed, name,
                 gathered.tooLarge ? "over " + std::to_string(kMaxComponent >> 20) + " MiB"
                                   : "END:" + name);
            return Read::Other;
        }
        CEventMapper::CComponent& component = gathered.component;
        if (name == "VTIMEZONE") {
            std::string why;
            if (!m_mapper.AddZone(component.ical, why))
                WarnAt(at, CWarning::Kind::Malformed, name, why);
            else if (!gathered.tzid.empty())
                m_zones[gathered.tzid] = std::move(component.source);
            continue;
        }
        if (name != "VEVENT") {
            SetRecordLine(at);
            Warn(CWarning::Kind::Skipped, name, std::string());
            return Read::Other;
        }
        if ((gathered.recurring || gathered.isOverride) && !gathered.uid.empty()) {
            m_nHeldBytes += component.ical.size() + component.title.size() +
                            component.place.size() + component.comment.size();
            CHeld& held = m_held[gathered.uid];
            held.uid = gathered.uid;
            if (gathered.isOverride) {
                held.overrides.emplace_back(at, std::move(component));
            } else {
                if (!held.master.ical.empty()) // the same UID twice: the earlier stands alone
                    m_pending.push_back(
                        CHeld{std::string(), held.line, std::move(held.master), {}});
                held.line = at;
                held.master = std::move(component);
            }
            if (m_nHeldBytes > kMaxHeld)
                ReleaseHeld();
            return Read::Held;
        }
        SetRecordLine(at);
        return MapEvent(at, component, {}) ? Read::Event : Read::Other;
    }
}

bool CICalendarReader::MapEvent(
    int64_t line, const CEventMapper::CComponent& master,
    const std::vector<std::pair<int64_t, CEventMapper::CComponent>>& overrides,
    const std::string& uid) {
    std::vector<CEventMapper::CComponent> instances;
    for (const auto& instance : overrides)
        instances.push_back(instance.second);
    std::string why;
    m_nNext = 0;
    m_nEventLine = line;
    m_nEventLost = master.lost;
    for (const auto& instance : overrides)
        m_nEventLost += instance.second.lost;
    SetRecordLine(line);
    switch (m_mapper.Map(master, instances, m_event, why)) {
    case CEventMapper::Result::Cancelled:
        Warn(CWarning::Kind::Skipped, "VEVENT", "STATUS:CANCELLED");
        m_event.occurrences.clear();
        return false;
    case CEventMapper::Result::Malformed:
        Warn(CWarning::Kind::Malformed, "VEVENT", why);
        m_event.occurrences.clear();
        return false;
    case CEventMapper::Result::Mapped:
        break;
    }
    // A rule not followed says so below: the window said nothing of it.
    if (m_event.unfollowed != CEventMapper::CEvent::Unfollowed::No)
        ;
    else if (m_event.cut)
        Warn(CWarning::Kind::Cut, "RRULE",
             std::to_string(CEventMapper::kMaxIterations) + " / " +
                 std::to_string(CEventMapper::kMaxOccurrences));
    else if (m_event.outside != 0)
        Warn(CWarning::Kind::Cut, "RRULE",
             Date(m_mapper.WindowStart()) + "-" + Date(m_mapper.WindowEnd()));
    if (const std::string zone = m_mapper.TakeUnfoundZone(); !zone.empty())
        Warn(CWarning::Kind::Floating, "TZID", zone);
    switch (m_event.unfollowed) {
    case CEventMapper::CEvent::Unfollowed::No:
        break;
    case CEventMapper::CEvent::Unfollowed::Never:
        Warn(CWarning::Kind::Unfollowed, "RRULE", "never");
        break;
    case CEventMapper::CEvent::Unfollowed::Unbounded:
        Warn(CWarning::Kind::Unfollowed, "RRULE", "unbounded");
        break;
    case CEventMapper::CEvent::Unfollowed::TooLong:
        Warn(CWarning::Kind::Unfollowed, "RRULE", std::to_string(CEventMapper::kRuleTime.count()));
        break;
    }
    if (m_event.lateAlarm)
        NotCarried("VALARM (after the start)");
    // An entry of this program's export whose times no calendar has.
    if (m_event.occurrences.size() == 1) {
        if (master.hasKeptStart)
            m_event.occurrences[0].start = master.keptStart;
        if (master.hasKeptEnd)
            m_event.occurrences[0].end = master.keptEnd;
    }
    // Beside the entries: a series whole, with the zones it names, so that
    // it can be given back as one; a single event's lines no field takes.
    m_strSeries = File().DeliversUnicode() ? uid : CCp932::ToUtf8(uid);
    m_definition.clear();
    m_unmapped.clear();
    if (!m_strSeries.empty()) {
        std::string components = master.source;
        for (const auto& instance : overrides)
            components += instance.second.source;
        std::vector<std::string> named;
        for (size_t at = components.find("TZID="); at != std::string::npos;
             at = components.find("TZID=", at + 5)) {
            size_t begin = at + 5, end = components.find_first_of(":;\r", begin);
            std::string zone = components.substr(begin, end - begin);
            if (zone.size() >= 2 && zone.front() == '"' && zone.back() == '"')
                zone = zone.substr(1, zone.size() - 2);
            if (m_zones.count(zone) != 0 &&
                std::find(named.begin(), named.end(), zone) == named.end())
                named.push_back(zone);
        }
        for (const std::string& zone : named)
            components.insert(0, m_zones[zone]);
        for (size_t at = 0; at < components.size();) {
            size_t end = components.find("\r\n", at);
            m_definition.push_back(components.substr(at, end - at));
            at = end == std::string::npos ? components.size() : end + 2;
        }
    } else if (m_event.occurrences.size() == 1) {
        m_unmapped = master.unmapped;
    }
    return !m_event.occurrences.empty();
}

void CICalendarReader::ReleaseHeld() {
    std::vector<CHeld> released;
    for (auto& [uid, held] : m_held) {
        if (!held.master.ical.empty()) {
            released.push_back(std::move(held));
            continue;
        }
        // Instances whose event never came stand on their own.
        for (auto& instance : held.overrides)
            released.push_back(
                CHeld{std::string(), instance.first, std::move(instance.second), {}});
    }
    m_held.clear();
    m_nHeldBytes = 0;
    std::sort(released.begin(), released.end(),
              [](const CHeld& a, const CHeld& b) { return a.line > b.line; });
    // Taken from the back: in the order of the file, after what waits already.
    released.insert(released.end(), std::make_move_iterator(m_pending.begin()),
                    std::make_move_iterator(m_pending.end()));
    m_pending = std::move(released);
}

CRecordReader::Step CICalendarReader::StoreOccurrence() {
    const CEventMapper::COccurrence& occurrence = m_event.occurrences[m_nNext];
    const CEventMapper::CVariant& variant = m_event.variants[occurrence.variant];
    SetRecordLine(m_nEventLine);
    SetRecordSubstitutes(0);
    if (m_nNext == 0)
        AddRecordSubstitutes(File().TakeSubstitutes(File().Consumed()) + m_nEventLost);
    else
        CountExpanded();
    const bool first = m_nNext++ == 0;
    // The comment is cleared only as far as the previous entry wrote it.
    kvScheduleRecord& record = *m_pRecord;
    std::memset(&record, 0, offsetof(kvScheduleRecord, comment));
    std::memset(record.comment, 0, m_nCommentUsed);
    Keep().Clear();
    PutField(record.title, sizeof(record.title), variant.title, "title", variant.unicode);
    PutField(record.place, sizeof(record.place), variant.place, "place", variant.unicode);
    PutField(record.comment, sizeof(record.comment), variant.comment, "comment", variant.unicode);
    m_nCommentUsed = CCp932::FieldLength(record.comment, sizeof(record.comment)) + 1;
    // Every occurrence says which series it is; the first holds the series.
    SetSeries(m_strSeries);
    if (!m_strSeries.empty())
        Keep().Series(m_strSeries);
    if (first)
        KeepLines(m_definition, "RRULE (the series whole)");
    for (const std::string& line : m_unmapped) {
        char buffer[32];
        KeepLine(line, std::string(NameOf(line, buffer)), true);
    }
    record.start = occurrence.start;
    record.end = occurrence.end;
    record.allDay = variant.allDay ? 1 : 0;
    // A private event stays private, even in an import of public entries.
    record.isPublic = IsPublic() && !variant.isPrivate ? 1 : 0;
    record.alarmLeadMinutes = variant.alarmLeadMinutes;
    return Deliver(record);
}

CRecordReader::Step CICalendarReader::Next() {
    for (;;) {
        if (m_nNext < m_event.occurrences.size())
            return StoreOccurrence();
        if (!m_pending.empty()) {
            CHeld held = std::move(m_pending.back());
            m_pending.pop_back();
            if (!MapEvent(held.line, held.master, held.overrides, held.uid)) {
                SetRecordSubstitutes(0);
                return Step::Skipped;
            }
            continue;
        }
        if (m_bEnded) {
            SetRecordSubstitutes(0);
            return Step::End;
        }
        switch (ReadComponent()) {
        case Read::End:
            m_bEnded = true;
            ReleaseHeld();
            break;
        case Read::Event:
        case Read::Held:
            break;
        case Read::Other:
            SetRecordSubstitutes(File().TakeSubstitutes(File().Consumed()));
            return Step::Skipped;
        }
    }
}

std::string CICalendarReader::Describe() const {
    return CRecordDescription::Schedule(*m_pRecord, nullptr, &Original());
}
