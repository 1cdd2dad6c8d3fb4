// What an import did, recorded beside the entries it wrote: who, whose
// entries, which file; the entries added, replaced (with what they were) and
// removed (a series imported again); on the server, each person's own only.
#include <memory>
#include <string>
#include <vector>

#include "LibraryTest.h"
#include "ServerSession.h"

using ImportRecords = LibraryTest;
KELVO_ON_BOTH_ENGINES(ImportRecords);

namespace {

constexpr auto Reason = &LibraryTestBase::Reason;

int BeginImport(int kind, const char* owner, const char* user = "alice") {
    return kvBeginImport(kind, owner, user, "/home/alice/book.vcf", 1234, "ab12", "vCard",
                         "duplicates=on");
}

} // namespace

TEST_P(ImportRecords, AddedReplacedAndRemovedEntriesAreRecordedWithWhatTheyWere) {
    ASSERT_TRUE(AddAddress("alice", CTestRecords::Address("alice", "Old", "Entry", "Firm")));
    const std::string oldId = m_database.Query("SELECT id FROM addresses").at(0);

    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    const int number = BeginImport(KV_KIND_ADDRESS, "alice");
    ASSERT_GT(number, 0) << Reason();
    EXPECT_EQ(BeginImport(KV_KIND_ADDRESS, "alice"), 0) << "one import at a time";
    kvAddressRecord added = CTestRecords::Address("alice", "New", "Entry", "");
    ASSERT_TRUE(kvAddAddress(&added));
    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "Old", "Entry", "Firm"));
    kvAddressRecord changed = CTestRecords::Address("alice", "Old", "Entry", "Firm");
    CTestRecords::Put(changed.memo, sizeof(changed.memo), "changed by the import");
    ASSERT_TRUE(kvUpdateAddress(&changed));
    ASSERT_TRUE(kvFindDuplicateAddress(nullptr, 0, "Old", "Entry", "Firm"));
    ASSERT_TRUE(kvUpdateAddress(&changed)) << "replaced twice: the first image stays";
    ASSERT_TRUE(kvSkipImportRecord(7, "VCARD without END:VCARD; skipped"));
    ASSERT_TRUE(kvEndImport(3));
    EXPECT_FALSE(kvEndImport(3)) << "no import under way";
    ASSERT_TRUE(kvCloseAddressBook());

    EXPECT_EQ(m_database.Query("SELECT id, kind, size, hash, form, options, skipped, "
                               "CASE WHEN ended > 0 THEN 1 ELSE 0 END, "
                               "undone FROM imports"),
              (std::vector<std::string>{std::to_string(number) +
                                        "\taddresses\t1234\tab12\tvCard\tduplicates=on\t3\t"
                                        "1\t0"}));
    const std::string newId =
        m_database.Query("SELECT id FROM addresses WHERE id <> " + oldId).at(0);
    EXPECT_EQ(m_database.Query("SELECT action, entry_id FROM import_entries ORDER BY action"),
              (std::vector<std::string>{"1\t" + newId, "2\t" + oldId}));
    EXPECT_EQ(m_database.Query("SELECT id, length(memo) FROM import_addresses"),
              (std::vector<std::string>{oldId + "\t0"}))
        << "the replaced entry as it was before";
    EXPECT_EQ(m_database.Query("SELECT line, length(reason) FROM import_skips"),
              std::vector<std::string>{"7\t32"});
    EXPECT_FALSE(kvSkipImportRecord(8, "after the end")) << "no import under way";

    // A series imported again: the occurrences it removes are kept as they were.
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    for (int day : {2, 9}) {
        kvScheduleRecord weekly = CTestRecords::Schedule("alice", "weekly", 2026, 3, day, 9, 0);
        ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "", "weekly@example"));
        ASSERT_TRUE(kvAddSchedule(&weekly, 0));
    }
    ASSERT_TRUE(kvCloseSchedules());
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    const int again = BeginImport(KV_KIND_SCHEDULE, "alice");
    ASSERT_GT(again, number) << Reason();
    kvScheduleRecord moved = CTestRecords::Schedule("alice", "weekly", 2026, 3, 3, 9, 0);
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "", "weekly@example"));
    ASSERT_TRUE(kvAddSchedule(&moved, 0));
    ASSERT_TRUE(kvCloseSchedules()) << "closed without an end: a record cut short";
    EXPECT_EQ(m_database.Query("SELECT ended FROM imports WHERE id = " + std::to_string(again)),
              std::vector<std::string>{"0"});
    EXPECT_EQ(m_database.Query("SELECT action, count(*) FROM import_entries WHERE import_id = " +
                               std::to_string(again) + " GROUP BY action ORDER BY action"),
              (std::vector<std::string>{"1\t1", "3\t2"}));
    EXPECT_EQ(m_database.Count("import_schedules"), 2);
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    EXPECT_GT(BeginImport(KV_KIND_SCHEDULE, "alice"), again)
        << "the cut import is no longer under way";
    ASSERT_TRUE(kvCloseSchedules());

    // A groupware of version 8 gains the records' tables.
    kvShutdown();
    for (const char* table :
         {"import_entries", "import_addresses", "import_schedules", "import_skips", "imports"})
        m_database.Query(std::string("DROP TABLE ") + table);
    m_database.Query(m_database.IsServer()
                         ? "UPDATE kv_meta SET value = 8 WHERE name = 'schema_version'"
                         : "PRAGMA user_version=8");
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0)) << Reason();
    ASSERT_TRUE(kvCloseAddressBook());
    EXPECT_EQ(m_database.Count("imports"), 0);
}

TEST(ImportRecordsOnServer, APersonRecordsAndSeesOnlyTheirOwnImports) {
    CTempDatabase server("postgresql");
    for (const char* user : {"alice", "bob"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-password");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    LibraryTestBase::UseDatabase(server.PeopleUri());
    ASSERT_TRUE(kvCheckPassword("alice", "alice-password")) << Reason();
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    EXPECT_EQ(BeginImport(KV_KIND_ADDRESS, "bob"), 0) << "not into another's book";
    const int number = BeginImport(KV_KIND_ADDRESS, "alice", "bob");
    ASSERT_GT(number, 0) << Reason();
    kvAddressRecord added = CTestRecords::Address("alice", "Mine", "", "");
    ASSERT_TRUE(kvAddAddress(&added));
    ASSERT_TRUE(kvEndImport(0));
    ASSERT_TRUE(kvCloseAddressBook());
    kvShutdown();
    EXPECT_EQ(server.Query("SELECT convert_from(user_name, 'UTF8') FROM imports"),
              std::vector<std::string>{"alice"})
        << "the person signed in, whatever the caller says";

    const std::string role =
        server.Query("SELECT role_name FROM users WHERE name = convert_to('bob', 'UTF8')").at(0);
    CServerSession bob(server.PeopleUri(), role, "bob-password");
    ASSERT_TRUE(bob.Connected()) << bob.Error();
    for (const char* table : {"imports", "import_entries", "import_addresses"})
        EXPECT_EQ(bob.Run(std::string("SELECT count(*) FROM ") + table), "0") << table;
    const std::string id = std::to_string(number);
    for (const std::string& sql :
         {"SELECT kv_record_import_entries(" + id + ", 1, '[[1, 1]]')",
          "SELECT kv_end_import(" + id + ", 0, 1)", "SELECT kv_keep_address_before(" + id + ", 1)",
          std::string("INSERT INTO imports(user_name, owner, kind, started, file, size, hash, "
                      "form, options) VALUES ('', '', 'addresses', 0, '', 0, '', '', '')"),
          std::string("UPDATE imports SET undone = 1"), std::string("DELETE FROM import_entries"),
          "SELECT * FROM kv_undo_import(" + id + ", true)",
          "SELECT kv_record_import_skip(" + id + ", 1, 'x')"})
        EXPECT_TRUE(CServerSession::Refused(bob.Run(sql))) << sql;
    EXPECT_EQ(server.Query("SELECT count(*) FROM import_entries"), std::vector<std::string>{"1"});

    // Alice's own import made to name every ID takes back none of bob's entries.
    LibraryTestBase::UseDatabase(server.Path());
    ASSERT_TRUE(LibraryTestBase::AddAddress("bob", CTestRecords::Address("bob", "Bob's", "", "")))
        << Reason();
    kvShutdown();
    const std::string aliceRole =
        server.Query("SELECT role_name FROM users WHERE name = convert_to('alice', 'UTF8')").at(0);
    CServerSession alice(server.PeopleUri(), aliceRole, "alice-password");
    ASSERT_TRUE(alice.Connected()) << alice.Error();
    const std::string forged =
        alice.Run("SELECT kv_begin_import('', 'alice', 'addresses', 0, '', 0, '', '', '')");
    EXPECT_EQ(alice.Run("SELECT kv_record_import_entries(" + forged + ", 1, '[[1, 9999999]]')"),
              "");
    EXPECT_EQ(alice.Run("SELECT o_removed FROM kv_undo_import(" + forged + ", true)"), "1")
        << "her own entry only";
    EXPECT_EQ(server.Query("SELECT count(*) FROM addresses"), std::vector<std::string>{"1"});
}

TEST_P(ImportRecords, AnImportTakenBackLeavesTheGroupwareAsItWas) {
    ASSERT_TRUE(AddAddress("alice", CTestRecords::Address("alice", "Old", "Entry", "Firm")));
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    for (int day : {2, 9}) {
        kvScheduleRecord weekly = CTestRecords::Schedule("alice", "weekly", 2026, 3, day, 9, 0);
        ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "UID:w\r\n", "weekly@example"));
        ASSERT_TRUE(kvAddSchedule(&weekly, 0));
    }
    kvScheduleRecord loose = CTestRecords::Schedule("alice", "loose", 2026, 3, 4, 9, 0);
    ASSERT_TRUE(kvAddSchedule(&loose, 0));
    ASSERT_TRUE(kvCloseSchedules());
    auto rows = [this] {
        return std::vector<std::vector<std::string>>{
            m_database.Query("SELECT * FROM addresses ORDER BY id"),
            m_database.Query("SELECT * FROM schedules ORDER BY id")};
    };
    const auto before = rows();

    // 1: an address added, one replaced; 2: a series imported again and a
    // duplicate replaced; 3: the address 1 added replaced.
    auto importAddresses = [](const char* memo) {
        ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
        ASSERT_TRUE(kvBeginAddressUpdate("alice"));
        ASSERT_GT(BeginImport(KV_KIND_ADDRESS, "alice"), 0) << Reason();
        for (const char* last : {"New", "Old"}) {
            kvAddressRecord record = CTestRecords::Address("alice", last, "Entry", "Firm");
            CTestRecords::Put(record.memo, sizeof(record.memo), memo);
            if (kvFindDuplicateAddress(nullptr, 0, last, "Entry", "Firm"))
                ASSERT_TRUE(kvUpdateAddress(&record));
            else
                ASSERT_TRUE(kvAddAddress(&record));
        }
        ASSERT_TRUE(kvEndImport(0));
        ASSERT_TRUE(kvCloseAddressBook());
    };
    importAddresses("first");
    ASSERT_TRUE(kvOpenSchedules("alice", ""));
    ASSERT_EQ(BeginImport(KV_KIND_SCHEDULE, "alice"), 2) << Reason();
    kvScheduleRecord moved = CTestRecords::Schedule("alice", "weekly", 2026, 3, 3, 10, 0);
    ASSERT_TRUE(kvSetNextOriginal(KV_KIND_SCHEDULE, "UID:w\r\n", "weekly@example"));
    ASSERT_TRUE(kvAddSchedule(&moved, 0));
    ASSERT_TRUE(kvFindDuplicateSchedule(nullptr, 0, 2026, 3, 4, 9, 0, 0, "loose"));
    kvScheduleRecord later = CTestRecords::Schedule("alice", "loose", 2026, 3, 4, 11, 0);
    ASSERT_TRUE(kvUpdateSchedule(&later, 0));
    ASSERT_TRUE(kvEndImport(0));
    ASSERT_TRUE(kvCloseSchedules());
    importAddresses("second");
    ASSERT_NE(rows(), before);

    char summary[256] = {};
    EXPECT_FALSE(kvAdminUndoImport(1, 0, summary, sizeof(summary)));
    EXPECT_NE(Reason().find("a later import changed entries"), std::string::npos) << Reason();
    ASSERT_TRUE(kvAdminUndoImport(3, 0, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "removed 0 added entries, put back 2");
    ASSERT_TRUE(kvAdminUndoImport(1, 0, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "removed 1 added entries, put back 1");
    ASSERT_TRUE(kvAdminUndoImport(2, 0, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "removed 1 added entries, put back 3");
    EXPECT_EQ(rows(), before) << "every entry as it was, IDs and stamps too";
    EXPECT_FALSE(kvAdminUndoImport(2, 0, summary, sizeof(summary)));
    EXPECT_EQ(Reason(), "it was taken back before");

    // Forced, an import is taken back but for what a later one changed.
    importAddresses("third");  // 4: adds New again, replaces Old
    importAddresses("fourth"); // 5: replaces both
    ASSERT_TRUE(kvAdminUndoImport(4, 1, summary, sizeof(summary))) << Reason();
    EXPECT_STREQ(summary, "removed 0 added entries, put back 0, kept 2 entries a later import "
                          "changed");
    EXPECT_EQ(m_database.Count("addresses"), 2);
}

TEST_P(ImportRecords, APersonTakesBackOnlyTheirOwnLastImport) {
    for (const char* user : {"alice", "bob"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-password");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    ASSERT_TRUE(AddAddress("alice", CTestRecords::Address("alice", "Kept", "", "")));
    UseDatabase(m_database.PeopleUri());
    kvImportInfo last{};
    EXPECT_FALSE(kvLastImport(&last)) << "nobody signed in";
    ASSERT_TRUE(kvCheckPassword("alice", "alice-password")) << Reason();
    EXPECT_FALSE(kvLastImport(&last));
    EXPECT_EQ(Reason(), "") << "none is no failure";
    int number = 0;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
        ASSERT_TRUE(kvBeginAddressUpdate("alice"));
        number = BeginImport(KV_KIND_ADDRESS, "alice");
        ASSERT_GT(number, 0) << Reason();
        for (const char* last : {"One", "Two"}) {
            kvAddressRecord record = CTestRecords::Address("alice", last, "", "");
            ASSERT_TRUE(kvAddAddress(&record));
        }
        ASSERT_TRUE(kvEndImport(1));
        ASSERT_TRUE(kvCloseAddressBook());
    }
    ASSERT_TRUE(kvLastImport(&last)) << Reason();
    EXPECT_EQ(last.number, number) << "the newest";
    EXPECT_EQ(last.kind, KV_KIND_ADDRESS);
    EXPECT_STREQ(last.file, "/home/alice/book.vcf");
    EXPECT_STREQ(last.owner, "alice");
    EXPECT_EQ(last.added, 2);
    EXPECT_EQ(last.skipped, 1);
    EXPECT_GT(last.ended, 0);

    ASSERT_TRUE(kvCheckPassword("bob", "bob-password")) << Reason();
    EXPECT_FALSE(kvLastImport(&last)) << "alice's imports are not bob's";
    long long removed = -1, restored = -1;
    EXPECT_FALSE(kvUndoImport(number, &removed, &restored));
    EXPECT_EQ(Reason(), "there is no such import");

    ASSERT_TRUE(kvCheckPassword("alice", "alice-password")) << Reason();
    MonitorLines();
    ASSERT_TRUE(kvUndoImport(number, &removed, &restored)) << Reason();
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(restored, 0);
    EXPECT_TRUE(MonitorMentions(CTestRecords::Sjis("を取り消しました")));
    EXPECT_FALSE(kvUndoImport(number, &removed, &restored)) << "not twice";
    ASSERT_TRUE(kvLastImport(&last)) << "the one before is next";
    EXPECT_EQ(last.number, number - 1);
    ASSERT_TRUE(kvUndoImport(last.number, &removed, &restored)) << Reason();
    EXPECT_FALSE(kvLastImport(&last));
    EXPECT_EQ(m_database.Count("addresses"), 1) << "what no import wrote stays";
}

// What a sync client needs: each entry delivered with its ID and change
// count, the state of a person's entries, and a person's own entries removed
// by ID, recorded, and put back by taking the record back; another's IDs
// remove nothing. On the server a
// refused removal leaves the session usable (its transaction rolled back).
TEST_P(ImportRecords, APersonRemovesOwnEntriesByIdRecordedAndTakenBack) {
    for (const char* user : {"alice", "bob"}) {
        kvUserRecord record = CTestRecords::User(user, "", {}, std::string(user) + "-password");
        ASSERT_TRUE(kvAdminAddUser(&record));
    }
    for (const char* owner : {"alice", "bob", ""})
        ASSERT_TRUE(AddAddress(owner, CTestRecords::Address(owner, "Mine", "", "")));
    UseDatabase(m_database.PeopleUri());
    long long none[] = {1};
    EXPECT_FALSE(kvRemoveEntries(KV_KIND_ADDRESS, none, 1, nullptr, nullptr)) << "nobody signed in";
    ASSERT_TRUE(kvCheckPassword("alice", "alice-password")) << Reason();

    std::vector<std::pair<std::string, long long>> ids; // owner, ID
    std::vector<long long> changes;
    auto read = [&] {
        ids.clear();
        changes.clear();
        EXPECT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
        auto record = std::make_unique<kvAddressRecord>();
        while (kvNextAddress(record.get(), 0)) {
            long long id = 0, changed = 0;
            EXPECT_TRUE(kvLastEntry(KV_KIND_ADDRESS, &id, &changed));
            ids.emplace_back(record->owner, id);
            changes.push_back(changed);
        }
        EXPECT_TRUE(kvCloseAddressBook());
    };
    read();
    ASSERT_EQ(ids.size(), 2u) << "alice's and the public one";
    EXPECT_NE(ids[0].second, ids[1].second);
    EXPECT_GT(ids[0].second, 0);
    EXPECT_FALSE(kvLastEntry(KV_KIND_ADDRESS, nullptr, nullptr)) << "none since the close";

    // The public entry and bob's (by its ID on the other engine's numbering,
    // the one after alice's) are not alice's to remove.
    long long others[] = {ids[0].first.empty() ? ids[0].second : ids[1].second, ids[0].second + 1,
                          ids[1].second + 1};
    long long removed = -1;
    int number = -1;
    ASSERT_TRUE(kvRemoveEntries(KV_KIND_ADDRESS, others, 3, &removed, &number)) << Reason();
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(m_database.Count("addresses"), 3);

    // The state a sync server asks moves with each removal and undo.
    long long state[3] = {}, entries[3] = {};
    ASSERT_TRUE(kvEntriesState(KV_KIND_ADDRESS, "alice", &state[0], &entries[0])) << Reason();
    EXPECT_EQ(entries[0], 1);
    long long own[] = {ids[0].first == "alice" ? ids[0].second : ids[1].second};
    ASSERT_TRUE(kvRemoveEntries(KV_KIND_ADDRESS, own, 1, &removed, &number)) << Reason();
    EXPECT_EQ(removed, 1);
    EXPECT_GT(number, 0);
    EXPECT_EQ(m_database.Count("addresses"), 2);
    ASSERT_TRUE(kvEntriesState(KV_KIND_ADDRESS, "alice", &state[1], &entries[1]));
    ASSERT_TRUE(kvUndoImport(number, nullptr, nullptr)) << Reason();
    ASSERT_TRUE(kvEntriesState(KV_KIND_ADDRESS, "alice", &state[2], &entries[2]));
    EXPECT_EQ(entries[1], 0);
    EXPECT_EQ(entries[2], 1);
    EXPECT_LT(state[0], state[1]);
    EXPECT_LT(state[1], state[2]);
    read();
    EXPECT_EQ(ids.size(), 2u) << "put back";
    EXPECT_FALSE(kvUndoImport(number, nullptr, nullptr)) << "not twice";
    read();
    EXPECT_EQ(ids.size(), 2u) << "a refused undo leaves the session usable";

    // Inside an import under way the removal is the import's (a sync client's
    // replaced object): one record, taken back whole.
    ASSERT_TRUE(kvOpenAddressBook("alice", -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate("alice"));
    const int import = BeginImport(KV_KIND_ADDRESS, "alice");
    ASSERT_GT(import, 0) << Reason();
    ASSERT_TRUE(kvRemoveEntries(KV_KIND_ADDRESS, own, 1, &removed, &number)) << Reason();
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(number, import);
    kvAddressRecord replacement = CTestRecords::Address("alice", "Replacement", "", "");
    ASSERT_TRUE(kvAddAddress(&replacement));
    ASSERT_TRUE(kvEndImport(0));
    ASSERT_TRUE(kvCloseAddressBook()) << Reason();
    read();
    EXPECT_EQ(ids.size(), 2u) << "the replacement and the public one";
    long long restored = 0;
    ASSERT_TRUE(kvUndoImport(import, &removed, &restored)) << Reason();
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(restored, 1);
    read();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_TRUE(ids[0].second == own[0] || ids[1].second == own[0]) << "back with its ID";
}
