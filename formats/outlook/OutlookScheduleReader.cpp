#include "OutlookScheduleReader.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "Cp932.h"
#include "RecordDescription.h"

namespace {

enum Slot {
    kTitle,
    kStartDate,
    kStartTime,
    kEndDate,
    kEndTime,
    kAllDay,
    kAlarmOn,
    kAlarmDate,
    kAlarmTime,
    kPlace,   // only in the forms current exports write
    kComment, // likewise
    kSlotCount
};

const char* const kNames[kSlotCount] = {"件名",     "開始日",    "開始時刻",   "終了日",
                                        "終了時刻", "終日ｲﾍﾞﾝﾄ", "ｱﾗｰﾑ ｵﾝ/ｵﾌ", "ｱﾗｰﾑ日付",
                                        "ｱﾗｰﾑ時刻", "場所",      "内容"};

// Other programs' names for the same columns: Outlook in English, and the
// table a calendar service imports (either case matches).
const std::pair<const char*, Slot> kAliases[] = {
    {"Subject", kTitle},           {"Start Date", kStartDate},    {"Start Time", kStartTime},
    {"End Date", kEndDate},        {"End Time", kEndTime},        {"All day event", kAllDay},
    {"Reminder on/off", kAlarmOn}, {"Reminder Date", kAlarmDate}, {"Reminder Time", kAlarmTime},
    {"Location", kPlace},          {"Description", kComment},     {"説明", kComment},
};

// The slot a column of the reader's table stands for.
size_t OwnSlot(size_t slot) {
    if (slot < kSlotCount)
        return slot;
    return slot - kSlotCount < std::size(kAliases)
               ? static_cast<size_t>(kAliases[slot - kSlotCount].second)
               : static_cast<size_t>(kSlotCount);
}

// 午前 and 午後 (morning, afternoon) in code page 932.
const char kMorning[] = "\x8c\xdf\x91\x4f";
const char kAfternoon[] = "\x8c\xdf\x8c\xe3";

// Digits only, within limits; false otherwise.
bool Digits(std::string_view text, long long maximum, long long& value) {
    if (text.empty() || text.size() > 4)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= maximum;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Up to three parts of text between separators, as strtok finds them: runs of
// the separator are one, leading and trailing ones are skipped.
size_t Parts(std::string_view text, char separator, std::string_view (&parts)[3]) {
    size_t count = 0;
    size_t start = 0;
    while (count < 3 && start < text.size()) {
        while (start < text.size() && text[start] == separator)
            ++start;
        if (start >= text.size())
            break;
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        parts[count++] = text.substr(start, end - start);
        start = end;
    }
    return count;
}

// atoi's reading (white space, sign, digits up to the first other character, 0
// without digits), kept within int instead of overflowing.
long long Number(std::string_view text) {
    size_t i = 0;
    // The C locale's white space, whatever locale the program runs in.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= INT_MAX)
            value = value * 10 + (text[i] - '0');
    value = negative ? -value : value;
    return std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value));
}

// "TRUE" in any mix of ASCII upper and lower case.
bool IsTrue(const std::string& text) {
    static const char kTrue[] = "TRUE";
    if (text.size() != 4)
        return false;
    for (size_t i = 0; i < 4; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kTrue[i])
            return false;
    }
    return true;
}

int32_t Clamp(long long value) {
    return static_cast<int32_t>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

} // namespace

std::vector<std::string> COutlookScheduleReader::Targets() const {
    return std::vector<std::string>(std::begin(kNames), std::end(kNames));
}

const std::vector<std::string>& COutlookScheduleReader::KnownNames() {
    static const std::vector<std::string> names = [] {
        std::vector<const char*> utf8(std::begin(kNames), std::end(kNames));
        for (const auto& alias : kAliases)
            utf8.push_back(alias.first);
        return Cp932Names(utf8);
    }();
    return names;
}

COutlookScheduleReader::COutlookScheduleReader(CTextFile& file, bool isPublic)
    : COutlookTabReader(file, KnownNames(), isPublic),
      m_pRecord(std::make_unique<kvScheduleRecord>()) {
    std::memset(m_pRecord.get(), 0, sizeof(kvScheduleRecord));
}

COutlookScheduleReader::~COutlookScheduleReader() = default;

void COutlookScheduleReader::ParseDate(const std::string& text, kvTimeBlock& time) {
    std::string_view parts[3];
    size_t count = Parts(text, '/', parts);
    if (count >= 1)
        time.yearsSince1900 = Clamp(Number(parts[0]) - 1900);
    if (count >= 2)
        time.month = Clamp(Number(parts[1]) - 1);
    if (count >= 3)
        time.dayOfMonth = Clamp(Number(parts[2]));
}

void COutlookScheduleReader::ParseTime(const std::string& text, kvTimeBlock& time) {
    std::string_view parts[3];
    size_t count = Parts(text, ':', parts);
    if (count >= 1)
        time.hours = Clamp(Number(parts[0]));
    if (count >= 2)
        time.minutes = Clamp(Number(parts[1]));
}

bool COutlookScheduleReader::ParseModernDate(const std::string& text, kvTimeBlock& time) {
    // 2026/12/8 or 2026-12-08.
    std::string_view date = Trim(text);
    size_t first = date.find_first_of("/-");
    if (first == std::string_view::npos)
        return false;
    size_t second = date.find(date[first], first + 1);
    if (second == std::string_view::npos)
        return false;
    long long year = 0, month = 0, day = 0;
    if (second + 5 == date.size() && first <= 2) {
        // 12/8/2026 as Outlook in English writes it: month first, unless the
        // first number cannot be a month (8/12/2026 where the day comes first).
        long long one = 0, other = 0;
        if (!Digits(date.substr(0, first), 31, one) ||
            !Digits(date.substr(first + 1, second - first - 1), 31, other) ||
            !Digits(date.substr(second + 1), 9999, year))
            return false;
        month = one > 12 ? other : one;
        day = one > 12 ? one : other;
        if (month > 12 || month < 1 || day < 1)
            return false;
    } else if (!Digits(date.substr(0, first), 9999, year) ||
               !Digits(date.substr(first + 1, second - first - 1), 12, month) ||
               !Digits(date.substr(second + 1), 31, day) || month < 1 || day < 1)
        return false;
    time.yearsSince1900 = static_cast<int32_t>(year - 1900);
    time.month = static_cast<int32_t>(month - 1);
    time.dayOfMonth = static_cast<int32_t>(day);
    return true;
}

bool COutlookScheduleReader::ParseModernTime(const std::string& text, kvTimeBlock& time) {
    // 9:05:00, 9:05, or with 午前 / 午後 in front or AM / PM behind (a 12-hour
    // clock).
    std::string_view clock = Trim(text);
    int half = 0; // 1 morning, 2 afternoon
    if (clock.substr(0, 4) == kMorning || clock.substr(0, 4) == kAfternoon) {
        half = clock.substr(0, 4) == kMorning ? 1 : 2;
        clock = Trim(clock.substr(4));
    } else if (clock.size() > 2 && (clock.back() == 'M' || clock.back() == 'm')) {
        const char mark = clock[clock.size() - 2];
        if (mark == 'A' || mark == 'a' || mark == 'P' || mark == 'p') {
            half = mark == 'A' || mark == 'a' ? 1 : 2;
            clock = Trim(clock.substr(0, clock.size() - 2));
        }
    }
    size_t colon = clock.find(':');
    if (colon == std::string_view::npos)
        return false;
    size_t seconds = clock.find(':', colon + 1);
    long long hours = 0, minutes = 0, ignored = 0;
    if (!Digits(clock.substr(0, colon), half != 0 ? 12 : 23, hours) ||
        !Digits(clock.substr(colon + 1, seconds == std::string_view::npos ? std::string_view::npos
                                                                          : seconds - colon - 1),
                59, minutes) ||
        (seconds != std::string_view::npos && !Digits(clock.substr(seconds + 1), 59, ignored)))
        return false;
    if (half == 1 && hours == 12)
        hours = 0; // 午前12時 is midnight
    else if (half == 2 && hours < 12)
        hours += 12;
    time.hours = static_cast<int32_t>(hours);
    time.minutes = static_cast<int32_t>(minutes);
    return true;
}

bool COutlookScheduleReader::SlotApplies(size_t slot) const {
    // The place and comment come only from the forms current exports write;
    // the older form leaves both empty, as it always did.
    slot = OwnSlot(slot);
    return (slot != kPlace && slot != kComment) || IsModern();
}

size_t COutlookScheduleReader::CanonicalSlot(size_t slot) const {
    return OwnSlot(slot) < kSlotCount ? OwnSlot(slot) : slot;
}

void COutlookScheduleReader::ReadDate(size_t slot, const std::string& text, kvTimeBlock& time) {
    if (!IsModern())
        ParseDate(text, time);
    else if (!ParseModernDate(text, time))
        Warn(CWarning::Kind::Date, slot, text);
}

void COutlookScheduleReader::ReadTime(size_t slot, const std::string& text, kvTimeBlock& time) {
    if (!IsModern())
        ParseTime(text, time);
    else if (!ParseModernTime(text, time))
        Warn(CWarning::Kind::Time, slot, text);
}

void COutlookScheduleReader::BeginRecord() {
    // Clearing 33 KB per record would dominate an import: the comment is
    // cleared only as far as the previous record wrote it.
    std::memset(m_pRecord.get(), 0, offsetof(kvScheduleRecord, comment));
    std::memset(m_pRecord->comment, 0, m_nCommentUsed);
    m_nCommentUsed = 0;
    m_alarm = kvTimeBlock{};
}

void COutlookScheduleReader::StoreSlot(size_t slot, const std::string& text) {
    kvScheduleRecord& record = *m_pRecord;
    switch (OwnSlot(slot)) {
    case kTitle:
        PutText(record.title, sizeof(record.title), text, "title");
        break;
    case kStartDate:
        ReadDate(slot, text, record.start);
        break;
    case kStartTime:
        ReadTime(slot, text, record.start);
        break;
    case kEndDate:
        ReadDate(slot, text, record.end);
        break;
    case kEndTime:
        ReadTime(slot, text, record.end);
        break;
    case kAllDay:
        record.allDay = IsTrue(text) ? 1 : 0;
        break;
    case kAlarmOn:
        // Held in the lead time field until the record is complete.
        record.alarmLeadMinutes = IsTrue(text) ? 1 : 0;
        break;
    case kAlarmDate:
        ReadDate(slot, text, m_alarm); // read, but the lead time does not use it
        break;
    case kAlarmTime:
        ReadTime(slot, text, m_alarm);
        break;
    case kPlace:
        PutText(record.place, sizeof(record.place), text, "place");
        break;
    case kComment:
        PutText(record.comment, sizeof(record.comment), text, "comment");
        m_nCommentUsed =
            std::max(m_nCommentUsed, std::min(text.size() + 1, sizeof(record.comment)));
        break;
    }
}

COutlookTabReader::Step COutlookScheduleReader::FinishRecord() {
    kvScheduleRecord& record = *m_pRecord;
    record.isPublic = IsPublic() ? 1 : 0;
    if (record.alarmLeadMinutes != 0) {
        // Without alarm hours or minutes in the file, the missing part is 0.
        long long start = static_cast<long long>(record.start.hours) * 60 + record.start.minutes;
        long long alarm = static_cast<long long>(m_alarm.hours) * 60 + m_alarm.minutes;
        record.alarmLeadMinutes = start > alarm ? Clamp(start - alarm) : 60;
    }
    return Deliver(record);
}

std::string COutlookScheduleReader::Describe() const {
    // Under the names the file gives the columns.
    return CRecordDescription::Schedule(
        *m_pRecord,
        [this](size_t offset) {
            const size_t slot = offset == offsetof(kvScheduleRecord, title)     ? kTitle
                                : offset == offsetof(kvScheduleRecord, start)   ? kStartDate
                                : offset == offsetof(kvScheduleRecord, end)     ? kEndDate
                                : offset == offsetof(kvScheduleRecord, place)   ? kPlace
                                : offset == offsetof(kvScheduleRecord, comment) ? kComment
                                                                                : kSlotCount;
            return slot < kSlotCount ? SlotName(slot) : std::string();
        },
        &Original());
}
