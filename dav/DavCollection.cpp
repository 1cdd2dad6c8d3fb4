#include "DavCollection.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <unordered_map>

#include "BackendTable.h"
#include "ContentLine.h"
#include "DavPath.h"
#include "FileHash.h"
#include "ICalendarWriter.h"
#include "Original.h"
#include "VCardWriter.h"
#include "kelvo.h"

namespace {

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

bool CDavCollection::Read(Kind kind, const std::string& owner, std::string& failure,
                          const CDavCollection* before) {
    // The entries as they were read before: what is new or changed since is
    // written while it is read, for the client that comes for it next.
    std::unordered_map<long long, long long> known;
    if (before != nullptr && before->m_kind == kind)
        for (const CObject& object : before->m_objects)
            for (size_t i = 0; i < object.ids.size(); ++i)
                known.emplace(object.ids[i], object.changes[i]);
    auto fresh = [&](long long id, long long changed) {
        if (before == nullptr)
            return false;
        auto found = known.find(id);
        return found == known.end() || found->second != changed;
    };
    m_kind = kind;
    m_owners.clear();
    m_objects.clear();
    if (kind == Kind::PublicCalendar) {
        if (!People(m_owners, failure))
            return false;
    } else {
        m_owners.push_back(kind == Kind::PublicContacts ? "" : owner);
    }
    m_series.clear();
    const bool read = Each(
        [&](const void* record, long long id, long long changed, const std::string& original) {
            std::ostringstream text;
            if (IsCalendar()) {
                const auto& schedule = *static_cast<const kvScheduleRecord*>(record);
                const COriginal::CParsed kept = COriginal::Parse(original);
                const bool series = !kept.series.empty();
                CObject& object = Add(CICalendarWriter::UidOf(schedule, kept), series, id, changed);
                object.spans.push_back({schedule.start, schedule.end, schedule.allDay != 0});
                // A series' other entries may come later: Fill writes it.
                if (!series && fresh(id, changed)) {
                    CICalendarWriter writer(text);
                    writer.Begin();
                    writer.Write(schedule, original);
                    writer.End();
                    object.data = text.str();
                    object.fresh = true;
                }
            } else {
                std::string uid;
                CContentLine property;
                for (const std::string& line : COriginal::Parse(original).lines)
                    if (uid.empty() && property.Parse(line) && property.Name() == "UID")
                        uid = property.Value();
                CObject& object = Add(uid, false, id, changed);
                if (fresh(id, changed)) {
                    CVCardWriter(text).Write(*static_cast<const kvAddressRecord*>(record),
                                             original);
                    object.data = text.str();
                    object.fresh = true;
                }
            }
        },
        failure);
    if (read)
        Finish();
    return read;
}

CDavCollection::CObject& CDavCollection::Add(const std::string& uid, bool series, long long id,
                                             long long changed) {
    if (series) {
        auto [at, added] = m_series.emplace(uid, m_objects.size());
        if (!added) {
            CObject& object = m_objects[at->second];
            object.ids.push_back(id);
            object.changes.push_back(changed);
            return object;
        }
    }
    CObject object;
    object.uid = uid;
    object.ids.push_back(id);
    object.changes.push_back(changed);
    m_objects.push_back(std::move(object));
    return m_objects.back();
}

template <typename Visit> bool CDavCollection::Each(Visit&& visit, std::string& failure) const {
    const bool calendar = IsCalendar();
    const int kind = calendar ? KV_KIND_SCHEDULE : KV_KIND_ADDRESS;
    auto schedule = std::make_unique<kvScheduleRecord>();
    auto address = std::make_unique<kvAddressRecord>();
    for (const std::string& owner : m_owners) {
        if ((calendar ? kvOpenSchedules(owner.c_str(), "")
                      : kvOpenAddressBook(owner.c_str(), -1, 0, 0, 0)) == 0) {
            failure = KvLastError();
            return false;
        }
        for (;;) {
            if (calendar ? kvNextSchedule(schedule.get(), 0) == 0
                         : kvNextAddress(address.get(), 0) == 0)
                break;
            // The book brings the public entries with the owner's, and a
            // person's schedules the private with the public: each
            // collection keeps its own.
            if (calendar ? m_kind == Kind::PublicCalendar && schedule->isPublic == 0
                         : std::string(address->owner,
                                       strnlen(address->owner, sizeof address->owner)) != owner)
                continue;
            long long id = 0, changed = 0;
            kvLastEntry(kind, &id, &changed);
            visit(calendar ? static_cast<const void*>(schedule.get()) : address.get(), id, changed,
                  LastOriginal(kind));
        }
        failure = KvLastError();
        if (calendar)
            kvCloseSchedules();
        else
            kvCloseAddressBook();
        if (!failure.empty())
            return false;
    }
    return true;
}

bool CDavCollection::People(std::vector<std::string>& names, std::string& failure) {
    names.clear();
    if (kvOpenUsers("", nullptr, 0) == 0) {
        failure = KvLastError();
        return false;
    }
    auto user = std::make_unique<kvUserRecord>();
    while (kvNextUser(user.get(), 1) != 0)
        names.emplace_back(user->userName, strnlen(user->userName, sizeof user->userName));
    failure = KvLastError();
    kvCloseUsers();
    return failure.empty();
}

bool CDavCollection::State(Kind kind, const std::string& owner, long long& changes,
                           long long& entries, std::string& failure) {
    std::vector<std::string> owners;
    if (kind == Kind::PublicCalendar) {
        if (!People(owners, failure))
            return false;
    } else {
        owners.push_back(kind == Kind::PublicContacts ? "" : owner);
    }
    unsigned long long mixed = 0;
    entries = 0;
    for (const std::string& one : owners) {
        long long changed = 0, counted = 0;
        if (kvEntriesState(IsCalendar(kind) ? KV_KIND_SCHEDULE : KV_KIND_ADDRESS, one.c_str(),
                           &changed, &counted) == 0) {
            failure = KvLastError();
            return false;
        }
        // Each person's count weighed apart: one person's change never
        // cancels another's.
        mixed = mixed * 1000003u + static_cast<unsigned long long>(changed);
        entries += counted;
    }
    changes = static_cast<long long>(mixed);
    return true;
}

bool CDavCollection::Fill(const std::vector<const CObject*>& objects, std::string& failure) {
    // The objects by their entries; each object's text is written by a
    // writer of its own as its entries come.
    struct CText {
        CObject* object;
        std::ostringstream text;
        std::unique_ptr<CICalendarWriter> calendar;
    };
    std::vector<std::unique_ptr<CText>> texts;
    std::map<long long, CText*> byEntry;
    // A client that asks for many (a first sync, a hundred at a time) gets
    // them all written in the one read of the entries, and kept.
    std::vector<const CObject*> every;
    const bool whole = objects.size() >= kWholeFrom;
    if (whole)
        for (const CObject& object : m_objects)
            every.push_back(&object);
    for (const CObject* wanted : whole ? every : objects) {
        if (wanted == nullptr || !wanted->data.empty())
            continue;
        auto text = std::make_unique<CText>();
        text->object = &m_objects[static_cast<size_t>(wanted - m_objects.data())];
        if (IsCalendar()) {
            text->calendar = std::make_unique<CICalendarWriter>(text->text);
            text->calendar->Begin();
        }
        for (long long id : wanted->ids)
            byEntry[id] = text.get();
        texts.push_back(std::move(text));
    }
    if (texts.empty())
        return true;
    const bool read = Each(
        [&](const void* record, long long id, long long, const std::string& original) {
            auto found = byEntry.find(id);
            if (found == byEntry.end())
                return;
            CText& text = *found->second;
            if (text.calendar)
                text.calendar->Write(*static_cast<const kvScheduleRecord*>(record), original);
            else
                CVCardWriter(text.text).Write(*static_cast<const kvAddressRecord*>(record),
                                              original);
        },
        failure);
    for (auto& text : texts) {
        if (text->calendar)
            text->calendar->End();
        text->object->data = text->text.str();
    }
    m_bWhole = m_bWhole || (whole && read);
    return read;
}

void CDavCollection::ForgetTexts() {
    for (CObject& object : m_objects)
        if (!object.fresh)
            std::string().swap(object.data);
    m_bWhole = false;
}

void CDavCollection::Finish() {
    m_byName.clear();
    std::set<std::string> taken;
    std::string all;
    for (CObject& object : m_objects) {
        object.name = NameFor(object.uid);
        if (object.uid.empty() || !taken.insert(object.name).second)
            object.name = "kelvo-" + std::to_string(object.ids.front()) + Extension();
        std::string stamp;
        for (size_t j = 0; j < object.ids.size(); ++j)
            stamp += std::to_string(object.ids[j]) + ":" + std::to_string(object.changes[j]) + ";";
        object.etag = "\"" + CFileHash::Sha256Text(stamp).substr(0, 24) + "\"";
        m_byName.emplace(CDavPath::Decode(object.name), &object - m_objects.data());
        all += object.name + " " + object.etag + "\n";
    }
    m_strTag = "\"" + CFileHash::Sha256Text(all).substr(0, 24) + "\"";
    auto listing = std::make_shared<CListing>();
    listing->reserve(m_objects.size());
    for (const CObject& object : m_objects)
        listing->emplace_back(object.name, object.etag);
    std::sort(listing->begin(), listing->end());
    m_pListing = std::move(listing);
}

bool CDavCollection::CObject::Overlaps(std::time_t from, std::time_t to) const {
    // Local times told as seconds only here: a time range's query is the one
    // question that needs them.
    for (const CSpan& span : spans) {
        const std::time_t start = Seconds(span.start);
        std::time_t end = span.end.yearsSince1900 == 70 ? start : Seconds(span.end);
        if (span.allDay && end <= start)
            end = start + 24 * 60 * 60;
        const bool afterStart = from == 0 || (end > start ? end > from : start >= from);
        if (afterStart && (to == 0 || start < to))
            return true;
    }
    return false;
}

std::string CDavCollection::NameFor(const std::string& uid) const {
    return CDavPath::Encode(uid) + Extension();
}

const CDavCollection::CObject* CDavCollection::Find(const std::string& name) const {
    auto found = m_byName.find(name);
    return found != m_byName.end() ? &m_objects[found->second] : nullptr;
}
