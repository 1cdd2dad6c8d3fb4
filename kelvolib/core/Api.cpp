// The exported C operations: each locks the library, opens the database when
// needed, and turns every failure (including an exception) into a 0 result.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>

#include "Cp932.h"
#include "Engine.h"
#include "EntryRemoval.h"
#include "ErrorState.h"
#include "Groupware.h"
#include "GroupwareCopier.h"
#include "ImportLog.h"
#include "ImportRecorder.h"
#include "ImportUndo.h"
#include "Migrations.h"
#include "MonitorText.h"
#include "ReasonText.h"
#include "kelvo.h"
#include "kelvoadmin.h"

namespace {

// What a call needs of the database: an operation that starts something
// opens it; one that continues a list finds nothing to continue while it is
// closed, and must not wait for a database that could not be opened. An
// operation that only opens or reads (Reopen) may find the connection to a
// server lost (a restart): it connects again and is made once more, at once.
enum class Needs { Open, Reopen, AlreadyOpen };

template <typename Operation> int Call(Operation operation, Needs needs = Needs::Open) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    try {
        // Continuing a list never reconnects: what was open is gone with a lost connection.
        if (needs == Needs::AlreadyOpen && !groupware.IsOpen())
            return 0;
        if (needs != Needs::AlreadyOpen && !groupware.EnsureOpen())
            return 0;
        // Nothing written may be in doubt when the call is made again.
        const bool mayRepeat = needs == Needs::Reopen && !groupware.Database().InBatch();
        if (operation(groupware))
            return 1;
        if (!mayRepeat || !groupware.IsOpen() || !groupware.Database().IsBroken())
            return 0;
        groupware.Monitor().Push(
            CMonitorText::Say(u8"データベース %1 との接続が切れていたため、接続し直します",
                              {groupware.Database().Location()}));
        groupware.Shutdown();
        CErrorState::Clear();
        if (!groupware.EnsureOpen())
            return 0;
        return operation(groupware) ? 1 : 0;
    } catch (const std::exception& e) {
        groupware.Monitor().Push(CMonitorText::Say(u8"エラー: %1", {e.what()}));
        CErrorState::Set(e.what());
    } catch (...) {
        groupware.Monitor().Push(CMonitorText::Say(u8"エラー: 予期しない失敗です"));
        CErrorState::Set("unexpected failure");
    }
    return 0;
}

} // namespace

extern "C" {

KV_API int kvVersion(void) {
    return KV_VERSION;
}

KV_API int kvShutdown(void) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    groupware.SignOut();
    return 1;
}

KV_API int kvReadMonitorLine(char* buffer, int size) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    return groupware.Monitor().Pop(buffer, size) ? 1 : 0;
}

KV_API int kvPostMonitorLine(const char* line) {
    if (line == nullptr)
        return 0;
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    groupware.Monitor().Push(line);
    return 1;
}

KV_API int kvCopyText(char* field, const char* text, int fieldSize) {
    return CCp932::CopyText(field, text, fieldSize) ? 1 : 0;
}

KV_API int kvLastError(char* buffer, int size) {
    // Not a Call: asking must not clear what it asks about.
    const std::string& reason = CErrorState::Get();
    CCp932::CopyText(buffer, CReasonText::ForPerson(reason).c_str(), size);
    return reason.empty() ? 0 : 1;
}

KV_API int kvCommittedWrites(void) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    // Callers subtract two readings; wrapping keeps the difference right.
    return static_cast<int>(static_cast<unsigned>(groupware.CommittedWrites()));
}

KV_API int kvOpenUsers(const char* filter, const char* userName, int) {
    return Call([&](CGroupware& g) { return g.Users().Open(filter, userName); }, Needs::Reopen);
}

KV_API int kvCloseUsers(void) {
    return Call([&](CGroupware& g) { return g.Users().Close(); }, Needs::AlreadyOpen);
}

KV_API int kvNextUser(kvUserRecord* record, int) {
    return Call([&](CGroupware& g) { return g.Users().Next(record); }, Needs::AlreadyOpen);
}

KV_API int kvUpdateUser(const char* userName, const kvUserRecord* record) {
    return Call([&](CGroupware& g) { return g.Users().Update(userName, record); });
}

KV_API int kvGetUser(const char* userName, kvUserRecord* record) {
    return Call([&](CGroupware& g) { return g.Users().Get(userName, record); }, Needs::Reopen);
}

KV_API int kvRewindUsers(void) {
    return Call([&](CGroupware& g) { return g.Users().Rewind(); }, Needs::AlreadyOpen);
}

KV_API int kvCheckPassword(const char* userName, const char* password) {
    if (userName == nullptr || password == nullptr)
        return 0;
    // Not a Call: before a sign-in there may be no database to open.
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    try {
        return groupware.SignIn(userName, password) ? 1 : 0;
    } catch (const std::exception& e) {
        CErrorState::Set(e.what());
    }
    return 0;
}

KV_API int kvChangePassword(const char* userName, const char* oldPassword,
                            const char* newPassword) {
    if (userName == nullptr || oldPassword == nullptr || newPassword == nullptr)
        return 0;
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    try {
        return groupware.ChangePassword(userName, oldPassword, newPassword) ? 1 : 0;
    } catch (const std::exception& e) {
        CErrorState::Set(e.what());
    }
    return 0;
}

KV_API int kvOpenSchedules(const char* owner, const char*) {
    return Call([&](CGroupware& g) { return g.Schedules().Open(owner); }, Needs::Reopen);
}

KV_API int kvCloseSchedules(void) {
    return Call([&](CGroupware& g) { return g.Schedules().Close(); }, Needs::AlreadyOpen);
}

KV_API int kvNextSchedule(kvScheduleRecord* record, int) {
    return Call([&](CGroupware& g) { return g.Schedules().Next(record); }, Needs::AlreadyOpen);
}

KV_API int kvAddSchedule(const kvScheduleRecord* record, int) {
    return Call([&](CGroupware& g) { return g.Schedules().Add(record); }, Needs::AlreadyOpen);
}

KV_API int kvUpdateSchedule(const kvScheduleRecord* record, int) {
    return Call([&](CGroupware& g) { return g.Schedules().Update(record); }, Needs::AlreadyOpen);
}

KV_API int kvFindDuplicateSchedule(const char*, int, int year, int month, int day, int hour,
                                   int minute, int allDay, const char* title) {
    return Call(
        [&](CGroupware& g) {
            return g.Schedules().FindDuplicate(year, month, day, hour, minute, allDay, title);
        },
        Needs::AlreadyOpen);
}

KV_API int kvOpenBoard(const char* userName, int) {
    return Call([&](CGroupware& g) { return g.Board().Open(userName); }, Needs::Reopen);
}

KV_API int kvCloseBoard(void) {
    return Call([&](CGroupware& g) { return g.Board().Close(); }, Needs::AlreadyOpen);
}

KV_API int kvReadBoardMessage(kvBoardMessage* record, int) {
    return Call([&](CGroupware& g) { return g.Board().Read(record); }, Needs::AlreadyOpen);
}

KV_API int kvRewindBoard(void) {
    return Call([&](CGroupware& g) { return g.Board().Rewind(); }, Needs::AlreadyOpen);
}

KV_API int kvNextBoardMessage(void) {
    return Call([&](CGroupware& g) { return g.Board().Next(); }, Needs::AlreadyOpen);
}

KV_API int kvOpenAddressBook(const char* owner, int, int, int, int) {
    return Call([&](CGroupware& g) { return g.Addresses().Open(owner); }, Needs::Reopen);
}

KV_API int kvCloseAddressBook(void) {
    return Call([&](CGroupware& g) { return g.Addresses().Close(); }, Needs::AlreadyOpen);
}

KV_API int kvNextAddress(kvAddressRecord* record, int) {
    return Call([&](CGroupware& g) { return g.Addresses().Next(record); }, Needs::AlreadyOpen);
}

KV_API int kvAddAddress(const kvAddressRecord* record) {
    return Call([&](CGroupware& g) { return g.Addresses().Add(record); }, Needs::AlreadyOpen);
}

KV_API int kvUpdateAddress(const kvAddressRecord* record) {
    return Call([&](CGroupware& g) { return g.Addresses().Update(record); }, Needs::AlreadyOpen);
}

KV_API int kvFindDuplicateAddress(const char* owner, int, const char* lastName,
                                  const char* firstName, const char* company) {
    return Call(
        [&](CGroupware& g) {
            return g.Addresses().FindDuplicate(owner, lastName, firstName, company);
        },
        Needs::AlreadyOpen);
}

KV_API int kvBeginAddressUpdate(const char* owner) {
    return Call([&](CGroupware& g) { return g.Addresses().BeginUpdate(owner); },
                Needs::AlreadyOpen);
}

KV_API int kvEndAddressUpdate(void) {
    return Call([&](CGroupware& g) { return g.Addresses().EndUpdate(); }, Needs::AlreadyOpen);
}

KV_API int kvAddAddressCategory(const char* category) {
    return Call([&](CGroupware& g) { return g.Addresses().AddCategory(category); });
}

KV_API int kvFindAddressCategory(const char* category) {
    return Call([&](CGroupware& g) { return g.Addresses().FindCategory(category); }, Needs::Reopen);
}

KV_API int kvSetNextOriginal(int kind, const char* original, const char* series) {
    if (kind == KV_KIND_ADDRESS && series != nullptr && *series != '\0')
        return 0; // addresses belong to no series
    return Call(
        [&](CGroupware& g) {
            return kind == KV_KIND_ADDRESS    ? g.Addresses().SetNextOriginal(original)
                   : kind == KV_KIND_SCHEDULE ? g.Schedules().SetNextOriginal(original, series)
                                              : false;
        },
        Needs::AlreadyOpen);
}

KV_API int kvBeginImport(int kind, const char* owner, const char* userName, const char* file,
                         long long size, const char* hash, const char* form, const char* options) {
    if ((kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE) || owner == nullptr ||
        userName == nullptr || file == nullptr || hash == nullptr || form == nullptr ||
        options == nullptr || size < 0)
        return 0;
    CImportRecorder::CStart start{kind == KV_KIND_ADDRESS ? "addresses" : "schedules",
                                  owner,
                                  userName,
                                  file,
                                  hash,
                                  form,
                                  options,
                                  size};
    long long number = 0;
    if (!Call([&](CGroupware& g) { return g.Database().Imports().Begin(start, number); },
              Needs::AlreadyOpen))
        return 0;
    return number > 0 && number <= INT_MAX ? static_cast<int>(number) : 0;
}

KV_API int kvEndImport(long long skipped) {
    return Call([&](CGroupware& g) { return g.Database().Imports().End(skipped); },
                Needs::AlreadyOpen);
}

KV_API int kvDatabaseLocation(char* location, int size) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    std::string where, error, source;
    bool desk = false;
    if (!CDatabase::ConfiguredLocation(where, desk, error, &source)) {
        CErrorState::Set(error);
        return 0;
    }
    if (location != nullptr && size > 0)
        CCp932::CopyText(location, CEngine::For(where).Shown(where).c_str(), size);
    return desk                         ? KV_LOCATION_DESK
           : source == "KELVO_DATABASE" ? KV_LOCATION_VARIABLE
                                        : KV_LOCATION_FILE;
}

KV_API int kvSkipImportRecord(long long line, const char* reason) {
    if (reason == nullptr || line < 0)
        return 0;
    const std::string kept(
        reason, CCp932::CutLength(reason, std::strlen(reason), KV_MONITOR_LINE_SIZE - 1));
    return Call([&](CGroupware& g) { return g.Database().Imports().Skipped(line, kept); },
                Needs::AlreadyOpen);
}

KV_API int kvLastImport(kvImportInfo* info) {
    if (info == nullptr)
        return 0;
    *info = kvImportInfo{};
    return Call([&](CGroupware& g) {
        const std::string* person = g.SignedIn();
        if (person == nullptr) {
            CErrorState::Set("nobody has signed in");
            return false;
        }
        bool found = false;
        return CImportLog(g.Database()).Last(*person, [&](const kvAdminImport& import) {
            found = true;
            info->number = import.number;
            info->kind = import.kind;
            info->started = import.started;
            info->ended = import.ended;
            info->added = import.added;
            info->replaced = import.replaced;
            info->removed = import.removed;
            info->skipped = import.skipped;
            CCp932::CopyText(info->owner, import.owner, sizeof info->owner);
            // Cut at a whole character: never the start of one without its end.
            size_t length = std::strlen(import.file);
            if (length >= sizeof info->file) {
                length = sizeof info->file - 1;
                while (length > 0 &&
                       (static_cast<unsigned char>(import.file[length]) & 0xC0) == 0x80)
                    --length;
            }
            std::memcpy(info->file, import.file, length);
            info->file[length] = '\0';
        }) && found;
    });
}

KV_API int kvUndoImport(int number, long long* removed, long long* restored) {
    CImportUndo::CResult result;
    if (number <= 0 || !Call([&](CGroupware& g) {
            const std::string* person = g.SignedIn();
            if (person == nullptr) {
                CErrorState::Set("nobody has signed in");
                return false;
            }
            if (!CImportUndo(g.Database()).Undo(number, false, person, result))
                return false;
            g.Monitor().Push(
                CMonitorText::Say(u8"%1 がインポート %2 を取り消しました（削除 %3 件・復元 %4 件）",
                                  {*person, std::to_string(number), std::to_string(result.removed),
                                   std::to_string(result.restored)}));
            return true;
        }))
        return 0;
    if (removed != nullptr)
        *removed = result.removed;
    if (restored != nullptr)
        *restored = result.restored;
    return 1;
}

KV_API int kvLastOriginal(int kind, char* buffer, int size) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    if (!groupware.IsOpen() || (kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE))
        return 0;
    const std::string& original = kind == KV_KIND_ADDRESS ? groupware.Addresses().LastOriginal()
                                                          : groupware.Schedules().LastOriginal();
    // One longer than any write makes (written by other means) is none.
    if (original.empty() || original.size() > KV_ORIGINAL_MAX)
        return 0;
    const int needed = static_cast<int>(original.size()) + 1;
    if (buffer != nullptr && size >= needed)
        std::memcpy(buffer, original.c_str(), static_cast<size_t>(needed));
    return needed;
}

KV_API int kvAdminOpenDatabase(void) {
    return Call([](CGroupware&) { return true; });
}

KV_API int kvAdminShownLocation(const char* location, char* buffer, int size) {
    if (location == nullptr || buffer == nullptr || size <= 0)
        return 0;
    const std::string shown = CEngine::For(location).Shown(location);
    if (shown.size() >= static_cast<size_t>(size))
        return 0;
    std::memcpy(buffer, shown.c_str(), shown.size() + 1);
    return 1;
}

KV_API int kvAdminDatabasePath(char* buffer, int size) {
    // Named as it is, even when a lost server cannot be reached again.
    CGroupware& groupware = CGroupware::Instance();
    {
        std::lock_guard<std::mutex> lock(groupware.Mutex());
        if (groupware.IsOpen())
            return kvCopyText(buffer, groupware.Database().Location().c_str(), size);
    }
    return Call([&](CGroupware& g) {
        return kvCopyText(buffer, g.Database().Location().c_str(), size) != 0;
    });
}

namespace {

kvAdminProgress s_progress = nullptr;
void* s_progressContext = nullptr;

// "1 schedule", "2 schedules": what the administrator's summaries say.
std::string Count(long long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

KV_API void kvAdminSetProgress(kvAdminProgress progress, void* context) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    s_progress = progress;
    s_progressContext = context;
}

KV_API int kvAdminListImports(const char* owner, kvAdminImportVisitor visit, void* context) {
    if (visit == nullptr)
        return 0;
    return Call([&](CGroupware& g) {
        return CImportLog(g.Database()).List(owner, [&](const kvAdminImport& import) {
            visit(context, &import);
        });
    });
}

KV_API int kvAdminImportEntries(int number, kvAdminImportEntryVisitor visit, void* context) {
    if (visit == nullptr || number <= 0)
        return 0;
    return Call([&](CGroupware& g) {
        return CImportLog(g.Database())
            .Entries(number, [&](int action, long long id, const std::string& now,
                                 const std::string& before) {
                visit(context, action, id, now.c_str(), before.c_str());
            });
    });
}

KV_API int kvAdminImportSkips(int number, kvAdminImportSkipVisitor visit, void* context) {
    if (visit == nullptr || number <= 0)
        return 0;
    return Call([&](CGroupware& g) {
        return CImportLog(g.Database()).Skips(number, [&](long long line, const std::string& why) {
            visit(context, line, why.c_str());
        });
    });
}

KV_API int kvAdminUndoImport(int number, int force, char* summary, int size) {
    CImportUndo::CResult result;
    if (number <= 0 || !Call([&](CGroupware& g) {
            return CImportUndo(g.Database()).Undo(number, force != 0, nullptr, result);
        }))
        return 0;
    if (summary != nullptr && size > 0)
        std::snprintf(summary, static_cast<size_t>(size), "%s",
                      CImportUndo::Summary(result).c_str());
    return 1;
}

KV_API int kvAdminPruneImports(long long olderThan, int keep, long long* pruned) {
    long long count = 0;
    if ((olderThan <= 0 && keep <= 0) || olderThan < 0 || keep < 0 || !Call([&](CGroupware& g) {
            return CImportLog(g.Database()).Prune(olderThan, keep, count);
        }))
        return 0;
    if (pruned != nullptr)
        *pruned = count;
    return 1;
}

KV_API int kvAdminDeleteEntries(int kind, const char* owner, int all, const long long* ids,
                                int count, int import, int dryRun, long long* removed,
                                int* number) {
    if ((kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE) || owner == nullptr || count < 0 ||
        (count > 0 && ids == nullptr) || import < 0 || (all != 0) + (count > 0) + (import > 0) != 1)
        return 0;
    CEntryRemoval::CWhich which;
    which.addresses = kind == KV_KIND_ADDRESS;
    which.owner = owner;
    which.all = all != 0;
    which.ids.assign(ids, ids + count);
    which.import = import;
    long long found = 0;
    int recorded = 0;
    if (!Call([&](CGroupware& g) {
            return CEntryRemoval(g.Database()).Remove(which, dryRun != 0, found, recorded);
        }))
        return 0;
    if (removed != nullptr)
        *removed = found;
    if (number != nullptr)
        *number = recorded;
    return 1;
}

KV_API int kvAdminCopyTo(const char* target, char* summary, int size) {
    return Call([&](CGroupware& g) {
        if (target == nullptr || *target == '\0') {
            CErrorState::Set("no target database is named");
            return false;
        }
        // The open lists' writes go first: the copy reads what is committed.
        g.Schedules().Close();
        g.Addresses().Close();
        CDatabase copy(g.Monitor(), &CMigrations::Run);
        if (!copy.OpenAt(target, false))
            return false;
        std::string copied;
        CGroupwareCopier::Progress progress;
        if (s_progress != nullptr)
            progress = [callback = s_progress, context = s_progressContext](
                           long long done, long long total) { callback(context, done, total); };
        if (!CGroupwareCopier(g.Database(), copy, progress).Copy(copied))
            return false;
        g.Monitor().Push(CMonitorText::Say(u8"%1 へ複写しました: %2", {copy.Location(), copied}));
        return kvCopyText(summary, copied.c_str(), size) != 0 || summary == nullptr;
    });
}

KV_API void kvAdminAdvanceClock(int milliseconds) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CDatabase::AdvanceClock(std::chrono::milliseconds(milliseconds));
}

KV_API long long kvAdminRoundTrips(void) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    return groupware.RoundTrips();
}

KV_API int kvAdminAddUser(const kvUserRecord* record) {
    return Call([&](CGroupware& g) { return g.Users().Add(record); });
}

KV_API int kvAdminSetPassword(const char* userName, const char* password) {
    if (userName == nullptr || password == nullptr)
        return 0;
    return Call([&](CGroupware& g) { return g.Users().SetPassword(userName, password); });
}

KV_API int kvAdminRemoveUser(const char* userName, int purge, char* summary, int size) {
    if (userName == nullptr)
        return 0;
    return Call([&](CGroupware& g) {
        long long schedules = 0, addresses = 0;
        if (!g.Users().Remove(userName, purge != 0, schedules, addresses))
            return false;
        const std::string text = Count(schedules, "schedule", "schedules") + " and " +
                                 Count(addresses, "address", "addresses");
        return summary == nullptr || kvCopyText(summary, text.c_str(), size) != 0;
    });
}

KV_API int kvAdminEnableUser(const char* userName, int enabled) {
    if (userName == nullptr)
        return 0;
    return Call([&](CGroupware& g) { return g.Users().Enable(userName, enabled != 0); });
}

KV_API int kvAdminPruneLogins(char* summary, int size) {
    // Not through an open groupware: its schema may be refused for the very
    // logins this removes.
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    try {
        int dropped = 0;
        if (!groupware.PruneLogins(dropped))
            return 0;
        const std::string text = Count(dropped, "sign-in", "sign-ins");
        return summary == nullptr || kvCopyText(summary, text.c_str(), size) != 0 ? 1 : 0;
    } catch (const std::exception& e) {
        CErrorState::Set(e.what());
    }
    return 0;
}

KV_API int kvAdminPostBoardMessage(const kvBoardMessage* message, uint32_t* newId) {
    return Call([&](CGroupware& g) { return g.Board().Post(message, newId); });
}

} // extern "C"

KV_API int kvLastEntry(int kind, long long* id, long long* changed) {
    CGroupware& groupware = CGroupware::Instance();
    std::lock_guard<std::mutex> lock(groupware.Mutex());
    CErrorState::Clear();
    if (!groupware.IsOpen() || (kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE))
        return 0;
    const CEntryStamp& entry = kind == KV_KIND_ADDRESS ? groupware.Addresses().LastEntry()
                                                       : groupware.Schedules().LastEntry();
    if (entry.id == 0)
        return 0;
    if (id != nullptr)
        *id = entry.id;
    if (changed != nullptr)
        *changed = entry.changed;
    return 1;
}

KV_API int kvRemoveEntries(int kind, const long long* ids, int count, long long* removed,
                           int* number) {
    if ((kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE) || count < 0 ||
        (count > 0 && ids == nullptr))
        return 0;
    long long found = 0;
    int recorded = 0;
    if (!Call([&](CGroupware& g) {
            const std::string* person = g.SignedIn();
            if (person == nullptr) {
                CErrorState::Set("nobody has signed in");
                return false;
            }
            if (count == 0)
                return true;
            // Only the person's own: the owner restricts which IDs are found.
            CEntryRemoval::CWhich which;
            which.addresses = kind == KV_KIND_ADDRESS;
            which.owner = *person;
            which.userName = *person;
            which.person = true;
            which.ids.assign(ids, ids + count);
            CImportRecorder& imports = g.Database().Imports();
            if (imports.Records(which.addresses ? "addresses" : "schedules")) {
                if (!CEntryRemoval(g.Database()).RemoveInImport(which, imports.Number(), found))
                    return false;
                recorded = found > 0 ? static_cast<int>(imports.Number()) : 0;
                return true;
            }
            return CEntryRemoval(g.Database()).Remove(which, false, found, recorded);
        }))
        return 0;
    if (removed != nullptr)
        *removed = found;
    if (number != nullptr)
        *number = recorded;
    return 1;
}

KV_API int kvEntriesState(int kind, const char* owner, long long* changes, long long* entries) {
    if ((kind != KV_KIND_ADDRESS && kind != KV_KIND_SCHEDULE) || owner == nullptr)
        return 0;
    long long counted[2] = {0, 0};
    if (!Call([&](CGroupware& g) {
            const bool addresses = kind == KV_KIND_ADDRESS;
            std::unique_ptr<CStatement> state = g.Database().Prepare(
                std::string("SELECT coalesce((SELECT version + moved FROM kv_changes WHERE kind = "
                            "?1 AND owner = ?2), 0), (SELECT count(*) FROM ") +
                (addresses ? "addresses WHERE owner = ?2)"
                           : "schedules WHERE owner_id = (SELECT id FROM owners WHERE name = "
                             "?2))"));
            if (!state)
                return false;
            state->BindText(1, addresses ? "addresses" : "schedules");
            state->BindBytes(2, owner, std::strlen(owner));
            if (!g.Database().StepRow(*state, "the entries"))
                return false;
            counted[0] = state->ColumnInt64(0);
            counted[1] = state->ColumnInt64(1);
            return true;
        }))
        return 0;
    if (changes != nullptr)
        *changes = counted[0];
    if (entries != nullptr)
        *entries = counted[1];
    return 1;
}
