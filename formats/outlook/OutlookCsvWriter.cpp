#include "OutlookCsvWriter.h"

#include <cstdio>
#include <ostream>

#include "AddressFields.h"
#include "Cp932.h"
#include "FieldText.h"
#include "FormulaGuard.h"

namespace {

// A field's text in the file's encoding: its own bytes, or in UTF-8 the
// whole text kept beside it where that still applies.
#define KV_FIELD(record, member, column)                                                           \
    (m_bUtf8 ? kept.Text(column, (record).member, sizeof((record).member))                         \
             : std::string(CCp932::FieldText((record).member, sizeof((record).member))))
#define KV_ADDRESS(member)                                                                         \
    KV_FIELD(record, member, AddressFieldName(offsetof(kvAddressRecord, member)))

std::string Date(const kvTimeBlock& time) {
    char text[48];
    std::snprintf(text, sizeof(text), "%lld/%lld/%d", time.yearsSince1900 + 1900LL,
                  time.month + 1LL, time.dayOfMonth);
    return text;
}

std::string Time(int hours, int minutes) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%02d:00", hours, minutes);
    return text;
}

} // namespace

void COutlookCsvWriter::Line(const std::vector<std::string>& values) {
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        line += i == 0 ? "\"" : ",\"";
        if (CFormulaGuard::NeedsGuard(values[i]))
            line += '\''; // a spreadsheet shows it as text, the import takes it off
        for (char c : values[i]) {
            if (c == '"')
                line += "\"\""; // no double-byte character ends in 0x22
            else if (c == '\n')
                line += "\r\n"; // a line break inside a value, as Windows writes it
            else
                line += c;
        }
        line += '"';
    }
    m_out << line << "\r\n";
}

void COutlookCsvWriter::Header(std::initializer_list<const char*> utf8) {
    std::vector<std::string> names;
    for (const char* name : utf8) {
        std::string cp932;
        CCp932::FromUtf8(name, cp932);
        names.push_back(m_bUtf8 ? std::string(name) : cp932);
    }
    if (m_bUtf8)
        m_out << "\xEF\xBB\xBF";
    Line(names);
}

COriginal::CParsed COutlookCsvWriter::Kept(std::string_view original) {
    COriginal::CParsed kept = COriginal::Parse(original);
    if (!m_bUtf8) {
        // Code page 932 writes the fields as they are: what they lost is counted.
        std::string ignored;
        for (const auto& field : kept.fields)
            CFieldText::Convert(field.second, ignored, m_nUnwritten);
    }
    return kept;
}

void COutlookCsvWriter::BeginAddresses() {
    // The names the address import knows, in the full-width kana current exports use.
    Header({"姓",
            "姓フリガナ",
            "名",
            "名前フリガナ",
            "会社名",
            "郵便番号 (会社)",
            "都道府県 (会社)",
            "市町村 (会社)",
            "番地 (会社)",
            "会社電話",
            "会社電話 2",
            "会社 FAX",
            "電子メール アドレス",
            "都道府県 (自宅)",
            "市町村 (自宅)",
            "番地 (自宅)",
            "自宅電話",
            "自宅電話 2",
            "携帯電話",
            "自宅 FAX",
            "電子メール 2 アドレス",
            "Web ページ",
            "メモ",
            "分類"});
}

void COutlookCsvWriter::Write(const kvAddressRecord& record, std::string_view original) {
    const COriginal::CParsed kept = Kept(original);
    Line({KV_ADDRESS(lastName),
          KV_ADDRESS(lastNameReading),
          KV_ADDRESS(firstName),
          KV_ADDRESS(nameReading),
          KV_ADDRESS(company),
          KV_ADDRESS(businessPostalCode),
          KV_ADDRESS(businessPrefecture),
          KV_ADDRESS(businessCity),
          KV_ADDRESS(businessStreet),
          KV_ADDRESS(businessPhone),
          KV_ADDRESS(businessPhone2),
          KV_ADDRESS(businessFax),
          KV_ADDRESS(email),
          KV_ADDRESS(homePrefecture),
          KV_ADDRESS(homeCity),
          KV_ADDRESS(homeStreet),
          KV_ADDRESS(homePhone),
          KV_ADDRESS(homePhone2),
          KV_ADDRESS(mobilePhone),
          KV_ADDRESS(homeFax),
          KV_ADDRESS(email2),
          KV_ADDRESS(webPage),
          KV_ADDRESS(memo),
          KV_ADDRESS(category)});
}

void COutlookCsvWriter::BeginSchedules() {
    Header({"件名", "開始日", "開始時刻", "終了日", "終了時刻", "終日イベント",
            "アラーム オン/オフ", "アラーム日付", "アラーム時刻", "場所", "内容"});
}

void COutlookCsvWriter::Write(const kvScheduleRecord& record, std::string_view original) {
    const COriginal::CParsed kept = Kept(original);
    // The import takes the alarm as a time of the start's day: the lead is
    // carried when the alarm falls on that day.
    const long long start = record.start.hours * 60LL + record.start.minutes;
    const long long alarm = start - record.alarmLeadMinutes;
    const bool hasAlarm = record.alarmLeadMinutes > 0;
    const int alarmAt = static_cast<int>(alarm >= 0 ? alarm : 0);
    // An entry without an end (the year 1970) has its end left empty.
    const bool open = record.end.yearsSince1900 == 70;
    Line({KV_FIELD(record, title, "title"), Date(record.start),
          Time(record.start.hours, record.start.minutes), open ? std::string() : Date(record.end),
          open ? std::string() : Time(record.end.hours, record.end.minutes),
          record.allDay != 0 ? "TRUE" : "FALSE", hasAlarm ? "TRUE" : "FALSE",
          hasAlarm ? Date(record.start) : std::string(),
          hasAlarm ? Time(alarmAt / 60, alarmAt % 60) : std::string(),
          KV_FIELD(record, place, "place"), KV_FIELD(record, comment, "comment")});
}
