// The list windows' decoding of records the backend delivers: the input is laid
// into a record of each kind (the rest zero or the input repeated) and every
// cell is made as the windows make it, then decoded as a widget would show it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "AddressFields.h"
#include "Cp932.h"
#include "RecordText.h"

namespace {

// The input repeated over the whole record, so that fields may lack their NUL.
template <typename Record> void Fill(Record& record, const uint8_t* data, size_t size) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&record);
    if (size == 0) {
        std::memset(bytes, 0, sizeof(Record));
        return;
    }
    for (size_t at = 0; at < sizeof(Record); at += size)
        std::memcpy(bytes + at, data, std::min(size, sizeof(Record) - at));
}

void Show(std::string_view cell) {
    std::string shown = CCp932::ToUtf8(cell);
    if (shown.size() < cell.size() / 2)
        std::abort(); // every byte shows as something
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kvUserRecord user;
    static kvScheduleRecord schedule;
    static kvAddressRecord address;
    static kvBoardMessage message;
    Fill(user, data, size);
    Fill(schedule, data, size);
    Fill(address, data, size);
    Fill(message, data, size);

    Show(KV_FIELD_TEXT(user, userName));
    Show(KV_FIELD_TEXT(user, reading));
    for (const auto& group : user.groups)
        Show(CRecordText::Field(group, sizeof(group)));
    Show(KV_FIELD_TEXT(schedule, title));
    Show(KV_FIELD_TEXT(schedule, place));
    Show(KV_FIELD_TEXT(schedule, comment));
    Show(CRecordText::Date(schedule.start));
    Show(CRecordText::DateTime(schedule.end));
    CRecordText::CBuffer buffer; // as the schedule window formats them
    Show(CRecordText::Date(schedule.start, buffer));
    Show(CRecordText::DateTime(schedule.end, buffer));
    const char* bytes = reinterpret_cast<const char*>(&address);
    for (const CAddressField& field : kAddressFields)
        Show(CRecordText::Field(bytes + field.offset, field.width));
    Show(KV_FIELD_TEXT(message, title));
    Show(KV_FIELD_TEXT(message, userName));
    Show(KV_FIELD_TEXT(message, text));
    Show(CRecordText::DateTime(message.posted));
    Show(CRecordText::Id(message.id) + CRecordText::Id(message.parentId));
    return 0;
}
