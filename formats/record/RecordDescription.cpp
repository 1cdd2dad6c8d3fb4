#include "RecordDescription.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "AddressFields.h"
#include "Cp932.h"

namespace {

struct CLabel {
    const char* name; // UTF-8
    size_t offset;
    size_t size;
};

#define KV_LABEL(record, name, member)                                                             \
    CLabel {                                                                                       \
        name, offsetof(record, member), sizeof(record::member)                                     \
    }

// In the order of Outlook's columns; the street lines, which the export
// splits over several columns, are not shown.
const CLabel kAddressLabels[] = {
    KV_LABEL(kvAddressRecord, "姓", lastName),
    KV_LABEL(kvAddressRecord, "姓ﾌﾘｶﾞﾅ", lastNameReading),
    KV_LABEL(kvAddressRecord, "名", firstName),
    KV_LABEL(kvAddressRecord, "名前ﾌﾘｶﾞﾅ", nameReading),
    KV_LABEL(kvAddressRecord, "会社名", company),
    KV_LABEL(kvAddressRecord, "郵便番号 (会社)", businessPostalCode),
    KV_LABEL(kvAddressRecord, "都道府県 (会社)", businessPrefecture),
    KV_LABEL(kvAddressRecord, "市町村 (会社)", businessCity),
    KV_LABEL(kvAddressRecord, "会社電話", businessPhone),
    KV_LABEL(kvAddressRecord, "会社電話 2", businessPhone2),
    KV_LABEL(kvAddressRecord, "会社 FAX", businessFax),
    KV_LABEL(kvAddressRecord, "電子ﾒｰﾙ ｱﾄﾞﾚｽ", email),
    KV_LABEL(kvAddressRecord, "都道府県 (自宅)", homePrefecture),
    KV_LABEL(kvAddressRecord, "市町村 (自宅)", homeCity),
    KV_LABEL(kvAddressRecord, "自宅電話", homePhone),
    KV_LABEL(kvAddressRecord, "自宅電話 2", homePhone2),
    KV_LABEL(kvAddressRecord, "携帯電話", mobilePhone),
    KV_LABEL(kvAddressRecord, "自宅 FAX", homeFax),
    KV_LABEL(kvAddressRecord, "電子ﾒｰﾙ 2 ｱﾄﾞﾚｽ", email2),
    KV_LABEL(kvAddressRecord, "Web ﾍﾟｰｼﾞ", webPage),
    KV_LABEL(kvAddressRecord, "ﾒﾓ", memo),
    KV_LABEL(kvAddressRecord, "分類", category),
};

enum ScheduleLabel { kTitle, kStart, kEnd, kPlace, kComment };
const CLabel kScheduleLabels[] = {
    KV_LABEL(kvScheduleRecord, "件名", title),   KV_LABEL(kvScheduleRecord, "開始日", start),
    KV_LABEL(kvScheduleRecord, "終了日", end),   KV_LABEL(kvScheduleRecord, "場所", place),
    KV_LABEL(kvScheduleRecord, "内容", comment),
};

#undef KV_LABEL

std::string FirstLine(std::string_view text) {
    return std::string(text.substr(0, text.find('\n')));
}

} // namespace

std::string CRecordDescription::Address(const kvAddressRecord& record, const GivenName& given,
                                        const COriginal* original) {
    const COriginal::CParsed kept =
        original != nullptr ? COriginal::Parse(original->Text()) : COriginal::CParsed();
    std::string text;
    for (const CLabel& label : kAddressLabels) {
        const char* field = reinterpret_cast<const char*>(&record) + label.offset;
        std::string value = kept.Text(AddressFieldName(label.offset), field, label.size);
        if (label.offset == offsetof(kvAddressRecord, memo))
            value = FirstLine(value);
        if (value.empty())
            continue;
        std::string name = given ? CCp932::ToUtf8(given(label.offset)) : std::string();
        text += (text.empty() ? "" : "  ") + (name.empty() ? label.name : name) + ": " + value;
    }
    return text;
}

std::string CRecordDescription::Schedule(const kvScheduleRecord& record, const GivenName& given,
                                         const COriginal* original) {
    const COriginal::CParsed kept =
        original != nullptr ? COriginal::Parse(original->Text()) : COriginal::CParsed();
    auto nameOf = [&](ScheduleLabel label) {
        std::string name = given ? CCp932::ToUtf8(given(kScheduleLabels[label].offset)) : "";
        return name.empty() ? std::string(kScheduleLabels[label].name) : name;
    };
    auto when = [&record](const kvTimeBlock& time) { return Time(time, record.allDay == 0); };
    std::string text =
        nameOf(kTitle) + ": " + kept.Text("title", record.title, sizeof(record.title)) + "  " +
        nameOf(kStart) + ": " + when(record.start) + "  " + nameOf(kEnd) + ": " + when(record.end);
    std::string place = kept.Text("place", record.place, sizeof(record.place));
    if (!place.empty())
        text += "  " + nameOf(kPlace) + ": " + place;
    std::string comment = FirstLine(kept.Text("comment", record.comment, sizeof(record.comment)));
    if (!comment.empty())
        text += "  " + nameOf(kComment) + ": " + comment;
    return text;
}

std::string CRecordDescription::Time(const kvTimeBlock& time, bool withClock) {
    char text[64];
    if (withClock)
        std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d %02d:%02d",
                      time.yearsSince1900 + 1900LL, time.month + 1LL, time.dayOfMonth, time.hours,
                      time.minutes);
    else
        std::snprintf(text, sizeof(text), "%04lld/%02lld/%02d", time.yearsSince1900 + 1900LL,
                      time.month + 1LL, time.dayOfMonth);
    return text;
}
