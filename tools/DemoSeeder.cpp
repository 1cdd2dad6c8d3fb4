#include "DemoSeeder.h"

#include <cstring>
#include <memory>

#include "AdminError.h"
#include "AdminText.h"
#include "kelvoadmin.h"

namespace {

struct CDemoUser {
    const char* name;
    const char* reading;
    const char* password;
    // Group slots as stored: an empty slot is no group.
    std::vector<const char*> groups;
};

struct CDemoMessage {
    int replyTo; // index into the messages posted before, or -1
    const char* user;
    const char* title;
    const char* text;
    int day, hour, minute;
};

struct CDemoSchedule {
    const char* owner;
    const char* title;
    const char* place;
    int month, day, startHour, startMinute;
    int endHour, endMinute; // -1: no end
    int allDay;
    int isPublic;
    int alarm;
    const char* comment;
};

struct CDemoAddress {
    const char* owner; // "" for a public entry
    const char* category;
    const char* lastName;
    const char* lastNameReading;
    const char* firstName;
    const char* company;
    const char* homePhone;
    const char* businessPhone;
    const char* email2;
    const char* email;
    const char* memo;
};

const char kGuest[] = "guest09";
const char kYamada[] = "山田太郎";

const std::vector<CDemoUser> kUsers = {
    {kGuest, "げすと", "guest", {"営業部"}},
    {kYamada, "やまだたろう", "yamada", {"営業部", "東京支社"}},
    {"佐藤花子", "さとうはなこ", "sato", {"総務部"}},
    {"鈴木一郎", "すずきいちろう", "suzuki", {}},
    {"高橋美咲",
     "たかはしみさき",
     "takahashi",
     {"営業部", "総務部", "開発部", "経理部", "人事部", "東京支社", "大阪支社", "名古屋支社",
      "広報室", "品質管理室"}},
    {"田中健", "たなかけん", "tanaka", {"", "開発部", "", "", "品質管理室"}},
    {"伊藤さくら", "", "ito", {"経理部"}},
};

const std::vector<CDemoMessage> kMessages = {
    {-1, "佐藤花子", "年末年始の休業について",
     "12月29日から1月3日まで休業します。\n緊急の連絡は総務部まで。", 1, 9, 0},
    {0, kYamada, "Re: 年末年始の休業について", "了解しました。", 1, 10, 15},
    {0, "鈴木一郎", "Re: 年末年始の休業について", "28日は何時まで営業ですか？", 1, 11, 5},
    {2, "佐藤花子", "Re: Re: 年末年始の休業について", "28日は17時までです。", 1, 13, 30},
    {-1, "田中健", "新システムの説明会", "12月10日 15:00 から第2会議室で行います。", 3, 8, 45},
    {-1, kGuest, "忘年会のお知らせ", "12月18日 19:00 ～\n会場: 銀座 ①号店", 5, 17, 0},
    {5, "高橋美咲", "Re: 忘年会のお知らせ", "参加します！", 5, 18, 20},
};

const std::vector<CDemoSchedule> kSchedules = {
    {kGuest, "営業会議", "第1会議室", 12, 7, 10, 0, 11, 30, 0, 1, 15, "月次の営業報告"},
    {kGuest, "A社訪問", "A社 本社", 12, 8, 14, 0, 16, 0, 0, 0, 60,
     "持参するもの:\n・見積書\n・カタログ"},
    {kGuest, "全社休業日", "", 12, 29, 0, 0, 0, 0, 1, 1, 0, "年末年始の休業"},
    {kGuest, "出張 (大阪)", "大阪支社", 12, 15, 0, 0, -1, -1, 1, 0, 0, "終了日未定"},
    {kGuest, "電話会議", "", 12, 9, 9, 5, -1, -1, 0, 0, 0, ""},
    {kGuest, "忘年会", "銀座", 12, 18, 19, 0, 21, 0, 0, 1, 30, "会費 5,000円"},
    {kYamada, "顧客打ち合わせ", "応接室", 12, 10, 13, 0, 14, 0, 0, 0, 15, ""},
    {kYamada, "研修", "研修センター", 12, 11, 0, 0, 0, 0, 1, 0, 0,
     "新人研修の講師\n資料は共有フォルダ"},
    {kYamada, "週次報告", "", 12, 14, 17, 30, -1, -1, 0, 1, 10, ""},
};

const std::vector<CDemoAddress> kAddresses = {
    {kGuest, "取引先", "青木", "あおき", "誠", "青木商事", "03-1111-2222", "03-3333-4444",
     "aoki@example.jp", "m.aoki@aoki-shoji.example.jp", "担当: 営業部\n年賀状: 送付済み"},
    {kGuest, "友人", "井上", "いのうえ", "由美", "", "045-555-6666", "", "yumi@example.jp", "", ""},
    {kGuest, "取引先", "上田", "うえだ", "浩", "上田製作所", "", "06-7777-8888", "",
     "ueda@ueda.example.jp", "工場見学: 1月予定\n連絡は午前中\n携帯不可"},
    {"", "社内", "総務部", "そうむぶ", "窓口", "kelvo 株式会社", "", "03-0000-0001", "",
     "soumu@kelvo.example.jp", "社内の問い合わせ窓口"},
    {kYamada, "取引先", "江藤", "えとう", "健二", "江藤物産", "", "052-999-0000", "",
     "eto@eto.example.jp", ""},
    {kYamada, "家族", "山田", "やまだ", "花", "", "03-1234-5678", "", "hana@example.jp", "",
     "誕生日: 5月5日"},
};

// Copies a UTF-8 text into a field as code page 932.
void Put(char* field, size_t width, const char* utf8) {
    kvCopyText(field, CAdminText::ToCp932(utf8, "demo text").c_str(), static_cast<int>(width));
}

#define KV_PUT(record, member, text) Put((record).member, sizeof((record).member), text)

} // namespace

void CDemoSeeder::Seed() {
    if (kvOpenUsers("", nullptr, 0)) {
        auto probe = std::make_unique<kvUserRecord>();
        bool hasUsers = kvNextUser(probe.get(), 1) != 0;
        kvCloseUsers();
        if (hasUsers)
            throw CAdminError("the database already holds users; demo needs an empty one");
    }
    SeedUsers();
    SeedBoard();
    SeedSchedules();
    SeedAddresses();
}

void CDemoSeeder::SeedUsers() {
    auto record = std::make_unique<kvUserRecord>();
    for (const CDemoUser& user : kUsers) {
        std::memset(record.get(), 0, sizeof(*record));
        KV_PUT(*record, userName, user.name);
        KV_PUT(*record, reading, user.reading);
        KV_PUT(*record, password, user.password);
        for (size_t i = 0; i < user.groups.size() && i < KV_GROUP_COUNT; ++i)
            KV_PUT(*record, groups[i], user.groups[i]);
        if (!kvAdminAddUser(record.get()))
            CAdminText::Fail(std::string("demo user ") + user.name + " cannot be added");
        m_logins.emplace_back(user.name, user.password);
    }
}

void CDemoSeeder::SeedBoard() {
    std::vector<uint32_t> ids;
    auto message = std::make_unique<kvBoardMessage>();
    for (const CDemoMessage& demo : kMessages) {
        std::memset(message.get(), 0, sizeof(*message));
        KV_PUT(*message, userName, demo.user);
        KV_PUT(*message, title, demo.title);
        KV_PUT(*message, text, demo.text);
        message->posted = kvTimeBlock{0, demo.minute, demo.hour, demo.day, 11, 126, 0, 0, 0};
        message->parentId = demo.replyTo >= 0 ? ids.at(static_cast<size_t>(demo.replyTo)) : 0;
        uint32_t id = 0;
        if (!kvAdminPostBoardMessage(message.get(), &id))
            CAdminText::Fail(std::string("demo message ") + demo.title + " cannot be posted");
        ids.push_back(id);
    }
}

void CDemoSeeder::SeedSchedules() {
    auto record = std::make_unique<kvScheduleRecord>();
    std::string openOwner;
    for (const CDemoSchedule& demo : kSchedules) {
        if (openOwner != demo.owner) {
            if (!openOwner.empty())
                kvCloseSchedules();
            openOwner = demo.owner;
            if (!kvOpenSchedules(CAdminText::ToCp932(openOwner, "owner").c_str(), ""))
                CAdminText::Fail("demo schedules cannot be opened");
        }
        std::memset(record.get(), 0, sizeof(*record));
        KV_PUT(*record, owner, demo.owner);
        KV_PUT(*record, title, demo.title);
        KV_PUT(*record, place, demo.place);
        KV_PUT(*record, comment, demo.comment);
        record->start = kvTimeBlock{
            0, demo.startMinute, demo.startHour, demo.day, demo.month - 1, 126, 0, 0, 0};
        if (demo.endHour < 0)
            record->end.yearsSince1900 = 70; // no end
        else
            record->end = kvTimeBlock{
                0, demo.endMinute, demo.endHour, demo.day, demo.month - 1, 126, 0, 0, 0};
        record->allDay = demo.allDay;
        record->isPublic = demo.isPublic;
        record->alarmLeadMinutes = demo.alarm;
        if (!kvAddSchedule(record.get(), 0))
            CAdminText::Fail(std::string("demo schedule ") + demo.title + " cannot be added");
    }
    if (!openOwner.empty() && !kvCloseSchedules())
        CAdminText::Fail("demo schedules cannot be stored");
}

void CDemoSeeder::SeedAddresses() {
    auto record = std::make_unique<kvAddressRecord>();
    std::string openOwner;
    auto close = [] {
        bool ended = kvEndAddressUpdate() != 0;
        kvCloseAddressBook();
        if (!ended)
            CAdminText::Fail("demo addresses cannot be stored");
    };
    for (const CDemoAddress& demo : kAddresses) {
        // Public entries are written while a named owner's book is open.
        std::string bookOwner = *demo.owner != '\0' ? demo.owner : kGuest;
        if (openOwner != bookOwner) {
            if (!openOwner.empty())
                close();
            openOwner = bookOwner;
            std::string cpOwner = CAdminText::ToCp932(openOwner, "owner");
            if (!kvOpenAddressBook(cpOwner.c_str(), -1, 0, 0, 0) ||
                !kvBeginAddressUpdate(cpOwner.c_str()))
                CAdminText::Fail("demo address book cannot be opened");
        }
        std::memset(record.get(), 0, sizeof(*record));
        KV_PUT(*record, owner, demo.owner);
        KV_PUT(*record, category, demo.category);
        KV_PUT(*record, lastName, demo.lastName);
        KV_PUT(*record, lastNameReading, demo.lastNameReading);
        KV_PUT(*record, firstName, demo.firstName);
        KV_PUT(*record, company, demo.company);
        KV_PUT(*record, homePhone, demo.homePhone);
        KV_PUT(*record, businessPhone, demo.businessPhone);
        KV_PUT(*record, email2, demo.email2);
        KV_PUT(*record, email, demo.email);
        KV_PUT(*record, memo, demo.memo);
        if (!kvFindAddressCategory(record->category) && !kvAddAddressCategory(record->category))
            CAdminText::Fail(std::string("demo category ") + demo.category + " cannot be added");
        if (!kvAddAddress(record.get()))
            CAdminText::Fail(std::string("demo address ") + demo.lastName + " cannot be added");
    }
    if (!openOwner.empty())
        close();
}
