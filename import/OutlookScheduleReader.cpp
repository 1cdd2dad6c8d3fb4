#include "OutlookScheduleReader.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "BackendTable.h"
#include "Cp932.h"

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
    kSlotCount
};

const char* const kNames[kSlotCount] = {"件名",       "開始日",   "開始時刻",
                                        "終了日",     "終了時刻", "終日ｲﾍﾞﾝﾄ",
                                        "ｱﾗｰﾑ ｵﾝ/ｵﾌ", "ｱﾗｰﾑ日付", "ｱﾗｰﾑ時刻"};

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

const std::vector<std::string>& COutlookScheduleReader::KnownNames() {
    static const std::vector<std::string> names =
        Cp932Names(std::vector<const char*>(std::begin(kNames), std::end(kNames)));
    return names;
}

COutlookScheduleReader::COutlookScheduleReader(COutlookTextFile& file, std::string owner,
                                               bool isPublic, bool duplicateCheck)
    : COutlookTabReader(file, KnownNames(), std::move(owner), isPublic, duplicateCheck),
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

void COutlookScheduleReader::BeginRecord() {
    // The comment and place are never written: clearing the head of the record
    // is enough after the first one.
    std::memset(m_pRecord.get(), 0, offsetof(kvScheduleRecord, comment));
    m_alarm = kvTimeBlock{};
}

void COutlookScheduleReader::StoreSlot(size_t slot, const std::string& text) {
    kvScheduleRecord& record = *m_pRecord;
    switch (slot) {
    case kTitle:
        KvBackend().kvCopyText(record.title, text.c_str(), sizeof(record.title));
        break;
    case kStartDate:
        ParseDate(text, record.start);
        break;
    case kStartTime:
        ParseTime(text, record.start);
        break;
    case kEndDate:
        ParseDate(text, record.end);
        break;
    case kEndTime:
        ParseTime(text, record.end);
        break;
    case kAllDay:
        record.allDay = IsTrue(text) ? 1 : 0;
        break;
    case kAlarmOn:
        // Held in the lead time field until the record is complete.
        record.alarmLeadMinutes = IsTrue(text) ? 1 : 0;
        break;
    case kAlarmDate:
        ParseDate(text, m_alarm); // read, but the lead time does not use it
        break;
    case kAlarmTime:
        ParseTime(text, m_alarm);
        break;
    }
}

COutlookTabReader::Step COutlookScheduleReader::StoreRecord() {
    kvScheduleRecord& record = *m_pRecord;
    const CBackendTable& backend = KvBackend();
    backend.kvCopyText(record.owner, Owner().c_str(), sizeof(record.owner));
    record.isPublic = IsPublic() ? 1 : 0;
    if (record.alarmLeadMinutes != 0) {
        // Without alarm hours or minutes in the file, the missing part is 0.
        long long start = static_cast<long long>(record.start.hours) * 60 + record.start.minutes;
        long long alarm = static_cast<long long>(m_alarm.hours) * 60 + m_alarm.minutes;
        record.alarmLeadMinutes = start > alarm ? Clamp(start - alarm) : 60;
    }
    // A write the backend refuses ends the import: nothing is reported as stored
    // that was not.
    if (DuplicateCheck()) {
        if (backend.kvFindDuplicateSchedule(
                nullptr, 0, Clamp(static_cast<long long>(record.start.yearsSince1900) + 1900),
                Clamp(static_cast<long long>(record.start.month) + 1), record.start.dayOfMonth,
                record.start.hours, record.start.minutes, record.allDay, record.title))
            return backend.kvUpdateSchedule(&record, 0) ? Step::Updated : Refused("the entry");
        if (LookupFailed("duplicates cannot be looked up"))
            return Step::Failed;
    }
    return backend.kvAddSchedule(&record, 0) ? Step::Added : Refused("the entry");
}
