#include "ImportPlan.h"

#include <memory>

#include "AddressFields.h"
#include "BackendTable.h"
#include "Cp932.h"
#include "RecordDescription.h"

namespace {

std::string Text(const char* field, size_t width) {
    return std::string(CCp932::FieldText(field, width));
}

#define KV_TEXT(record, member) Text((record).member, sizeof((record).member))

} // namespace

bool CImportPlan::Load(bool addresses, const std::string& owner, bool isPublic) {
    const CBackendTable& backend = KvBackend();
    m_entries.clear();
    bool read = true;
    if (addresses) {
        if (!backend.kvOpenAddressBook(owner.c_str(), -1, 0, 0, 0))
            return false;
        // The lookup searches the public entries for a public import, the
        // owner's private ones for any other.
        const std::string scope = isPublic ? std::string() : owner;
        auto record = std::make_unique<kvAddressRecord>();
        while (backend.kvNextAddress(record.get(), 1))
            if (KV_TEXT(*record, owner) == scope)
                m_entries.emplace(Key(*record), Fields(*record)); // the first found stays
        read = KvLastError().empty();
        backend.kvCloseAddressBook();
    } else {
        if (!backend.kvOpenSchedules(owner.c_str(), nullptr))
            return false;
        auto record = std::make_unique<kvScheduleRecord>();
        while (backend.kvNextSchedule(record.get(), 1))
            m_entries.emplace(Key(*record), Fields(*record));
        read = KvLastError().empty();
        backend.kvCloseSchedules();
    }
    return read;
}

const std::vector<std::string>& CImportPlan::FieldNames(bool addresses) {
    static const std::vector<std::string> address = [] {
        std::vector<std::string> names;
        for (const CAddressField& field : kAddressFields)
            names.push_back(field.name);
        return names;
    }();
    static const std::vector<std::string> schedule = {
        "owner", "title", "place", "start", "end", "all_day", "public", "alarm_lead", "comment"};
    return addresses ? address : schedule;
}

CImportPlan::CFields CImportPlan::Fields(const kvAddressRecord& record) {
    CFields fields;
    const char* bytes = reinterpret_cast<const char*>(&record);
    for (const CAddressField& field : kAddressFields)
        fields.push_back(Text(bytes + field.offset, field.width));
    return fields;
}

CImportPlan::CFields CImportPlan::Fields(const kvScheduleRecord& record) {
    const bool timed = record.allDay == 0;
    return {KV_TEXT(record, owner),
            KV_TEXT(record, title),
            KV_TEXT(record, place),
            CRecordDescription::Time(record.start, timed),
            record.end.yearsSince1900 == 70 ? std::string()
                                            : CRecordDescription::Time(record.end, timed),
            std::to_string(record.allDay),
            std::to_string(record.isPublic),
            std::to_string(record.alarmLeadMinutes),
            KV_TEXT(record, comment)};
}

std::string CImportPlan::Key(const kvAddressRecord& record) {
    return KV_TEXT(record, lastName) + '\0' + KV_TEXT(record, firstName) + '\0' +
           KV_TEXT(record, company);
}

std::string CImportPlan::Key(const kvScheduleRecord& record) {
    // The lookup's: start to the minute, the all-day flag and the title.
    return CRecordDescription::Time(record.start, true) + '\0' +
           std::to_string(record.allDay != 0) + '\0' + KV_TEXT(record, title);
}

void CImportPlan::Address(const kvAddressRecord& record, bool duplicateCheck, int64_t line) {
    std::string entry = KV_TEXT(record, lastName);
    const std::string first = KV_TEXT(record, firstName), company = KV_TEXT(record, company);
    entry += (entry.empty() || first.empty() ? "" : " ") + first;
    if (!company.empty())
        entry += (entry.empty() ? "" : " ") + ("(" + company + ")");
    Plan(Key(record), Fields(record), std::move(entry), duplicateCheck, true, line);
}

void CImportPlan::Schedule(const kvScheduleRecord& record, bool duplicateCheck, int64_t line) {
    CFields fields = Fields(record);
    std::string entry = fields[3] + " " + fields[1];
    Plan(Key(record), std::move(fields), std::move(entry), duplicateCheck, false, line);
}

void CImportPlan::Plan(const std::string& key, CFields fields, std::string entry,
                       bool duplicateCheck, bool addresses, int64_t line) {
    CLine planned{Action::Add, line, std::move(entry), std::string(), {}};
    auto found = duplicateCheck ? m_entries.find(key) : m_entries.end();
    if (found != m_entries.end()) {
        planned.action = Action::Replace;
        const std::vector<std::string>& names = FieldNames(addresses);
        for (size_t i = 0; i < fields.size(); ++i)
            if (found->second[i] != fields[i])
                planned.changes.push_back(CChange{names[i], found->second[i], fields[i]});
        found->second = std::move(fields);
    } else if (duplicateCheck) {
        // A later record of the file with the same key replaces this one.
        m_entries.emplace(key, std::move(fields));
    }
    m_lines.push_back(std::move(planned));
}

void CImportPlan::Skip(int64_t line, std::string reason) {
    m_lines.push_back(CLine{Action::Skip, line, std::string(), std::move(reason), {}});
}

size_t CImportPlan::Count(Action action) const {
    size_t count = 0;
    for (const CLine& line : m_lines)
        count += line.action == action ? 1 : 0;
    return count;
}
