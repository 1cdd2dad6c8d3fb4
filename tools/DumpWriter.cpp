#include "DumpWriter.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

#include "AddressFields.h"
#include "AdminError.h"
#include "AdminText.h"
#include "Cp932.h"
#include "OutputBuffer.h"
#include "kelvo.h"

namespace {

std::string Field(const char* field, size_t width) {
    return std::string(CCp932::FieldText(field, width));
}

#define KV_FIELD(record, member) Field((record).member, sizeof((record).member))

std::string FormatTime(const kvTimeBlock& time) {
    char text[64];
    std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d %02d:%02d", time.yearsSince1900 + 1900LL,
                  time.month + 1LL, time.dayOfMonth, time.hours, time.minutes);
    return text;
}

std::string FormatId(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", id);
    return text;
}

// A list that could not be opened ends the dump with the library's reason.
void RequireOpen(int opened, const char* what) {
    if (!opened)
        CAdminText::Fail(std::string("the ") + what + " cannot be read");
}

// After a list's last record: an end, or a read that failed. The rows before
// a failure are printed already; the failure still ends the dump with status 1.
void RequireEnd(const char* what, long rows) {
    char reason[KV_MONITOR_LINE_SIZE];
    if (kvLastError(reason, sizeof(reason)))
        throw CAdminError("reading the " + std::string(what) + " stopped after " +
                          std::to_string(rows) + " records: " + CAdminText::ToUtf8(reason));
}

} // namespace

std::string CDumpWriter::Escape(const std::string& cp932) {
    return CAdminText::ToUtf8(cp932, true);
}

void CDumpWriter::WriteLine(const std::vector<std::string>& cells, const std::string* original) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += Escape(cells[i]);
    }
    if (original != nullptr)
        line += '\t' + CAdminText::Printable(*original, true);
    m_out << line << '\n';
    // The lines before this one, and the column names' line, were taken.
    COutputBuffer::Check(m_out, "standard output", m_nLines > 0 ? m_nLines - 1 : 0, "records");
    ++m_nLines;
}

void CDumpWriter::Users() {
    WriteLine({"name", "reading", "groups"});
    RequireOpen(kvOpenUsers("", nullptr, 0), "users");
    kvRewindUsers();
    auto record = std::make_unique<kvUserRecord>();
    long rows = 0;
    for (; kvNextUser(record.get(), 1); ++rows) {
        std::string groups;
        for (const auto& group : record->groups) {
            std::string name = Field(group, sizeof(group));
            if (name.empty())
                continue;
            groups += (groups.empty() ? "" : "/") + name;
        }
        WriteLine({KV_FIELD(*record, userName), KV_FIELD(*record, reading), groups});
    }
    RequireEnd("users", rows);
    kvCloseUsers();
}

void CDumpWriter::Schedules(const std::string& owner, bool withOriginal) {
    std::vector<std::string> names = {"owner",   "title",  "place",      "start",  "end",
                                      "all_day", "public", "alarm_lead", "comment"};
    if (withOriginal)
        names.push_back("original");
    WriteLine(names);
    RequireOpen(kvOpenSchedules(owner.c_str(), ""), "schedules");
    auto record = std::make_unique<kvScheduleRecord>();
    std::string original;
    long rows = 0;
    for (; kvNextSchedule(record.get(), 1); ++rows) {
        if (withOriginal)
            original = CAdminText::LastOriginal(KV_KIND_SCHEDULE);
        WriteLine({KV_FIELD(*record, owner), KV_FIELD(*record, title), KV_FIELD(*record, place),
                   FormatTime(record->start), FormatTime(record->end),
                   std::to_string(record->allDay), std::to_string(record->isPublic),
                   std::to_string(record->alarmLeadMinutes), KV_FIELD(*record, comment)},
                  withOriginal ? &original : nullptr);
    }
    RequireEnd("schedules", rows);
    kvCloseSchedules();
}

void CDumpWriter::Addresses(const std::string& owner, bool withOriginal) {
    std::vector<std::string> names;
    for (const CAddressField& field : kAddressFields)
        names.push_back(field.name);
    if (withOriginal)
        names.push_back("original");
    WriteLine(names);
    RequireOpen(kvOpenAddressBook(owner.c_str(), -1, 0, 0, 0), "address book");
    auto record = std::make_unique<kvAddressRecord>();
    const char* bytes = reinterpret_cast<const char*>(record.get());
    std::string original;
    long rows = 0;
    for (; kvNextAddress(record.get(), 1); ++rows) {
        std::vector<std::string> cells;
        for (const CAddressField& field : kAddressFields)
            cells.push_back(Field(bytes + field.offset, field.width));
        if (withOriginal)
            original = CAdminText::LastOriginal(KV_KIND_ADDRESS);
        WriteLine(cells, withOriginal ? &original : nullptr);
    }
    RequireEnd("address book", rows);
    kvCloseAddressBook();
}

void CDumpWriter::Board() {
    WriteLine({"id", "parent_id", "title", "user", "posted", "text"});
    RequireOpen(kvOpenBoard("guest09", -1), "board");
    kvRewindBoard();
    auto record = std::make_unique<kvBoardMessage>();
    // The same alternation as the board window: read, then next while one follows.
    long rows = 0;
    while (kvReadBoardMessage(record.get(), 0)) {
        ++rows;
        WriteLine({FormatId(record->id), FormatId(record->parentId), KV_FIELD(*record, title),
                   KV_FIELD(*record, userName), FormatTime(record->posted),
                   KV_FIELD(*record, text)});
        if (!kvNextBoardMessage())
            break;
    }
    RequireEnd("board", rows);
    kvCloseBoard();
}
