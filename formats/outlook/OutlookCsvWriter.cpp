#include "OutlookCsvWriter.h"

#include <cstdio>
#include <ostream>

#include "Cp932.h"
#include "FormulaGuard.h"

namespace {

#define KV_FIELD(record, member)                                                                   \
    std::string(CCp932::FieldText((record).member, sizeof((record).member)))

std::vector<std::string> Names(std::initializer_list<const char*> utf8) {
    std::vector<std::string> names;
    for (const char* name : utf8) {
        std::string cp932;
        CCp932::FromUtf8(name, cp932);
        names.push_back(cp932);
    }
    return names;
}

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

void COutlookCsvWriter::BeginAddresses() {
    // The names the address import knows, in the full-width kana current exports use.
    Line(Names({"姓",
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
                "分類"}));
}

void COutlookCsvWriter::Write(const kvAddressRecord& record) {
    Line({KV_FIELD(record, lastName),
          KV_FIELD(record, lastNameReading),
          KV_FIELD(record, firstName),
          KV_FIELD(record, nameReading),
          KV_FIELD(record, company),
          KV_FIELD(record, businessPostalCode),
          KV_FIELD(record, businessPrefecture),
          KV_FIELD(record, businessCity),
          KV_FIELD(record, businessStreet),
          KV_FIELD(record, businessPhone),
          KV_FIELD(record, businessPhone2),
          KV_FIELD(record, businessFax),
          KV_FIELD(record, email),
          KV_FIELD(record, homePrefecture),
          KV_FIELD(record, homeCity),
          KV_FIELD(record, homeStreet),
          KV_FIELD(record, homePhone),
          KV_FIELD(record, homePhone2),
          KV_FIELD(record, mobilePhone),
          KV_FIELD(record, homeFax),
          KV_FIELD(record, email2),
          KV_FIELD(record, webPage),
          KV_FIELD(record, memo),
          KV_FIELD(record, category)});
}

void COutlookCsvWriter::BeginSchedules() {
    Line(Names({"件名", "開始日", "開始時刻", "終了日", "終了時刻", "終日イベント",
                "アラーム オン/オフ", "アラーム日付", "アラーム時刻", "場所", "内容"}));
}

void COutlookCsvWriter::Write(const kvScheduleRecord& record) {
    // The import takes the alarm as a time of the start's day: the lead is
    // carried when the alarm falls on that day.
    const long long start = record.start.hours * 60LL + record.start.minutes;
    const long long alarm = start - record.alarmLeadMinutes;
    const bool hasAlarm = record.alarmLeadMinutes > 0;
    const int alarmAt = static_cast<int>(alarm >= 0 ? alarm : 0);
    // An entry without an end (the year 1970) has its end left empty.
    const bool open = record.end.yearsSince1900 == 70;
    Line({KV_FIELD(record, title), Date(record.start),
          Time(record.start.hours, record.start.minutes), open ? std::string() : Date(record.end),
          open ? std::string() : Time(record.end.hours, record.end.minutes),
          record.allDay != 0 ? "TRUE" : "FALSE", hasAlarm ? "TRUE" : "FALSE",
          hasAlarm ? Date(record.start) : std::string(),
          hasAlarm ? Time(alarmAt / 60, alarmAt % 60) : std::string(), KV_FIELD(record, place),
          KV_FIELD(record, comment)});
}
