#include "DavCollection.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "ContentLine.h"
#include "DavPath.h"
#include "FileHash.h"
#include "ICalendarWriter.h"
#include "Original.h"
#include "VCardWriter.h"
#include "kelvo.h"

namespace {

std::string LastError() {
    char reason[KV_MONITOR_LINE_SIZE] = {};
    kvLastError(reason, sizeof reason);
    return reason;
}

// The original of the record the list delivered last (empty: none).
std::string LastOriginal(int kind) {
    std::string original(4096, '\0');
    int needed = kvLastOriginal(kind, original.data(), static_cast<int>(original.size()));
    if (needed > static_cast<int>(original.size())) {
        original.assign(static_cast<size_t>(needed), '\0');
        needed = kvLastOriginal(kind, original.data(), needed);
    }
    original.resize(needed > 0 ? static_cast<size_t>(needed) - 1 : 0);
    return original;
}

// The UID a written object carries: its first UID line, unfolded.
std::string UidOf(const std::string& text) {
    std::istringstream lines(text);
    std::string line, uid;
    bool in = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (in && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            uid += line.substr(1);
            continue;
        }
        if (in)
            break;
        CContentLine property;
        if (property.Parse(line) && property.Name() == "UID") {
            uid = line.substr(line.find(':') + 1);
            in = true;
        }
    }
    return uid;
}

std::time_t Seconds(const kvTimeBlock& time) {
    std::tm local{};
    local.tm_year = time.yearsSince1900;
    local.tm_mon = time.month;
    local.tm_mday = time.dayOfMonth;
    local.tm_hour = time.hours;
    local.tm_min = time.minutes;
    local.tm_sec = time.seconds;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

} // namespace

bool CDavCollection::Read(Kind kind, const std::string& owner, std::string& failure) {
    m_kind = kind;
    m_objects.clear();
    return kind == Kind::Calendar ? ReadSchedules(owner, failure)
                                  : ReadAddresses(kind == Kind::Contacts ? owner : "", failure);
}

bool CDavCollection::ReadSchedules(const std::string& owner, std::string& failure) {
    if (kvOpenSchedules(owner.c_str(), "") == 0) {
        failure = LastError();
        return false;
    }
    auto record = std::make_unique<kvScheduleRecord>();
    struct CEntry {
        long long id = 0, changed = 0;
        std::string original;
        std::pair<std::time_t, std::time_t> span;
        std::unique_ptr<kvScheduleRecord> record;
    };
    // A series is one object: its occurrences gathered under its UID, in the
    // order of their first.
    std::vector<std::vector<CEntry>> groups;
    std::map<std::string, size_t> series;
    while (kvNextSchedule(record.get(), 0) != 0) {
        CEntry entry;
        kvLastEntry(KV_KIND_SCHEDULE, &entry.id, &entry.changed);
        entry.original = LastOriginal(KV_KIND_SCHEDULE);
        const std::time_t start = Seconds(record->start);
        const bool open = record->end.yearsSince1900 == 70;
        std::time_t end = open ? start : Seconds(record->end);
        if (record->allDay != 0 && end <= start)
            end = start + 24 * 60 * 60;
        entry.span = {start, end};
        const std::string uid = COriginal::Parse(entry.original).series;
        entry.record = std::move(record);
        record = std::make_unique<kvScheduleRecord>();
        if (!uid.empty()) {
            auto [at, added] = series.emplace(uid, groups.size());
            if (!added) {
                groups[at->second].push_back(std::move(entry));
                continue;
            }
        }
        groups.emplace_back();
        groups.back().push_back(std::move(entry));
    }
    failure = LastError();
    kvCloseSchedules();
    if (!failure.empty())
        return false;
    std::vector<std::vector<long long>> changes;
    for (const auto& group : groups) {
        CObject object;
        std::ostringstream text;
        CICalendarWriter writer(text);
        writer.Begin();
        changes.emplace_back();
        for (const CEntry& entry : group) {
            writer.Write(*entry.record, entry.original);
            object.ids.push_back(entry.id);
            object.spans.push_back(entry.span);
            changes.back().push_back(entry.changed);
        }
        writer.End();
        object.data = text.str();
        m_objects.push_back(std::move(object));
    }
    Finish(changes);
    return true;
}

bool CDavCollection::ReadAddresses(const std::string& owner, std::string& failure) {
    if (kvOpenAddressBook(owner.c_str(), -1, 0, 0, 0) == 0) {
        failure = LastError();
        return false;
    }
    auto record = std::make_unique<kvAddressRecord>();
    std::vector<std::vector<long long>> changes;
    while (kvNextAddress(record.get(), 0) != 0) {
        // The book brings the public entries with the owner's: each
        // collection keeps its own.
        if (std::string(record->owner, strnlen(record->owner, sizeof record->owner)) != owner)
            continue;
        CObject object;
        long long id = 0, changed = 0;
        kvLastEntry(KV_KIND_ADDRESS, &id, &changed);
        std::ostringstream text;
        CVCardWriter(text).Write(*record, LastOriginal(KV_KIND_ADDRESS));
        object.data = text.str();
        object.ids.push_back(id);
        changes.push_back({changed});
        m_objects.push_back(std::move(object));
    }
    failure = LastError();
    kvCloseAddressBook();
    if (!failure.empty())
        return false;
    Finish(changes);
    return true;
}

void CDavCollection::Finish(const std::vector<std::vector<long long>>& changes) {
    std::set<std::string> taken;
    std::string all;
    for (size_t i = 0; i < m_objects.size(); ++i) {
        CObject& object = m_objects[i];
        object.uid = UidOf(object.data);
        object.name = NameFor(object.uid);
        if (object.uid.empty() || !taken.insert(object.name).second)
            object.name = "kelvo-" + std::to_string(object.ids.front()) + Extension();
        std::string stamp;
        for (size_t j = 0; j < object.ids.size(); ++j)
            stamp += std::to_string(object.ids[j]) + ":" + std::to_string(changes[i][j]) + ";";
        object.etag = "\"" + CFileHash::Sha256Text(stamp).substr(0, 24) + "\"";
        all += object.name + " " + object.etag + "\n";
    }
    m_strTag = "\"" + CFileHash::Sha256Text(all).substr(0, 24) + "\"";
}

std::string CDavCollection::NameFor(const std::string& uid) const {
    return CDavPath::Encode(uid) + Extension();
}

const CDavCollection::CObject* CDavCollection::Find(const std::string& name) const {
    for (const CObject& object : m_objects)
        if (object.name == name || CDavPath::Decode(object.name) == name)
            return &object;
    return nullptr;
}
