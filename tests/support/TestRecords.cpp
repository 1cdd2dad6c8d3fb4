#include "TestRecords.h"

#include <cstring>
#include <stdexcept>

#include "Cp932.h"

std::string CTestRecords::Sjis(const std::string& utf8) {
    std::string cp932;
    if (!CCp932::FromUtf8(utf8, cp932))
        throw std::invalid_argument("not convertible to code page 932: " + utf8);
    return cp932;
}

std::string CTestRecords::Utf8(const std::string& cp932) {
    return CCp932::ToUtf8(cp932);
}

void CTestRecords::Put(char* field, size_t width, const std::string& text) {
    if (text.size() >= width)
        throw std::invalid_argument("test text does not fit its field: " + text);
    std::memcpy(field, text.c_str(), text.size() + 1);
}

#define KV_TEST_PUT(record, member, text) Put((record).member, sizeof((record).member), text)

kvUserRecord CTestRecords::User(const std::string& name, const std::string& reading,
                                const std::vector<std::string>& groups,
                                const std::string& password) {
    kvUserRecord record;
    std::memset(&record, 0, sizeof(record));
    KV_TEST_PUT(record, userName, name);
    KV_TEST_PUT(record, reading, reading);
    for (size_t i = 0; i < groups.size(); ++i)
        KV_TEST_PUT(record, groups[i], groups[i]);
    KV_TEST_PUT(record, password, password);
    return record;
}

kvScheduleRecord CTestRecords::Schedule(const std::string& owner, const std::string& title,
                                        int year, int month, int day, int hour, int minute,
                                        int allDay) {
    kvScheduleRecord record;
    std::memset(&record, 0, sizeof(record));
    KV_TEST_PUT(record, owner, owner);
    KV_TEST_PUT(record, title, title);
    record.start = kvTimeBlock{0, minute, hour, day, month - 1, year - 1900, 0, 0, 0};
    record.end = record.start;
    record.end.hours = hour + 1;
    record.allDay = allDay;
    return record;
}

kvAddressRecord CTestRecords::Address(const std::string& owner, const std::string& lastName,
                                      const std::string& firstName, const std::string& company) {
    kvAddressRecord record;
    std::memset(&record, 0, sizeof(record));
    KV_TEST_PUT(record, owner, owner);
    KV_TEST_PUT(record, lastName, lastName);
    KV_TEST_PUT(record, firstName, firstName);
    KV_TEST_PUT(record, company, company);
    return record;
}

kvBoardMessage CTestRecords::Message(const std::string& user, const std::string& title, int day,
                                     int hour, int minute, uint32_t parentId) {
    kvBoardMessage message;
    std::memset(&message, 0, sizeof(message));
    KV_TEST_PUT(message, userName, user);
    KV_TEST_PUT(message, title, title);
    message.posted = kvTimeBlock{0, minute, hour, day, 0, 126, 0, 0, 0};
    message.parentId = parentId;
    return message;
}
