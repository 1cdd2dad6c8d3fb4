#include "RecordingBackend.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "Cp932.h"

namespace {

CRecordingBackend* s_pActive = nullptr;

std::string Text(const char* text) {
    return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}

std::string Int(long long value) {
    return std::to_string(value);
}

std::string Record(const void* record) {
    return record == nullptr ? "null" : "record";
}

CRecordingBackend& Fake() {
    return CRecordingBackend::Active();
}

template <typename Record>
int Deliver(const char* name, std::vector<Record>& source, size_t& position, Record* target) {
    int forced = Fake().Result(name, -1);
    if (forced == 0 || target == nullptr)
        return 0;
    if (position >= source.size()) {
        Fake().AtEnd(name);
        return 0;
    }
    std::memcpy(target, &source[position++], sizeof(Record));
    return 1;
}

int Written(int result) {
    if (result != 0)
        ++Fake().committedWrites;
    return result;
}

int Version() {
    Fake().extensionCalls.push_back("kvVersion()");
    return KV_VERSION;
}

int LastError(char* buffer, int size) {
    Fake().extensionCalls.push_back("kvLastError(buffer, " + Int(size) + ")");
    CCp932::CopyText(buffer, Fake().lastError.c_str(), size);
    return Fake().lastError.empty() ? 0 : 1;
}

int PostMonitorLine(const char* line) {
    Fake().extensionCalls.push_back("kvPostMonitorLine(" + Text(line) + ")");
    if (line == nullptr)
        return 0;
    Fake().postedLines.push_back(line);
    return 1;
}

int CommittedWrites() {
    Fake().extensionCalls.push_back("kvCommittedWrites()");
    return Fake().committedWrites;
}

int SetNextOriginal(int kind, const char* original, const char* series) {
    Fake().extensionCalls.push_back("kvSetNextOriginal(" + Int(kind) + ", ...)");
    Fake().originalsSet.push_back(Int(kind) + "|" + (series != nullptr ? series : "") + "|" +
                                  (original != nullptr ? original : ""));
    return 1;
}

int BeginImport(int kind, const char* owner, const char* user, const char* file, long long size,
                const char* hash, const char* form, const char* options) {
    Fake().importRecords.push_back(Int(kind) + "|" + Text(owner) + "|" + Text(user) + "|" +
                                   Text(file) + "|" + std::to_string(size) + "|" + Text(hash) +
                                   "|" + Text(form) + "|" + Text(options));
    return Fake().Result("kvBeginImport", static_cast<int>(Fake().importRecords.size()));
}

int EndImport(long long skipped) {
    Fake().importRecords.push_back("end " + std::to_string(skipped));
    return 1;
}

int SkipImportRecord(long long line, const char* reason) {
    Fake().importRecords.push_back("skip " + std::to_string(line) + " " + Text(reason));
    return 1;
}

int DatabaseLocation(char* location, int size) {
    Fake().extensionCalls.push_back("kvDatabaseLocation");
    std::snprintf(location, static_cast<size_t>(size), "%s", Fake().location.c_str());
    return Fake().Result("kvDatabaseLocation", KV_LOCATION_VARIABLE);
}

int LastImport(kvImportInfo* info) {
    Fake().extensionCalls.push_back("kvLastImport");
    *info = kvImportInfo{};
    return Fake().Result("kvLastImport", 0);
}

int UndoImport(int number, long long* removed, long long* restored) {
    Fake().extensionCalls.push_back("kvUndoImport(" + Int(number) + ")");
    *removed = *restored = 0;
    return Fake().Result("kvUndoImport", 0);
}

int LastOriginal(int kind, char* buffer, int size) {
    Fake().extensionCalls.push_back("kvLastOriginal(" + Int(kind) + ", buffer, " + Int(size) + ")");
    const bool addresses = kind == KV_KIND_ADDRESS;
    const auto& originals = addresses ? Fake().addressOriginals : Fake().scheduleOriginals;
    const size_t position = addresses ? Fake().addressPosition : Fake().schedulePosition;
    if (position == 0 || position > originals.size() || originals[position - 1].empty())
        return 0;
    const std::string& original = originals[position - 1];
    const int needed = static_cast<int>(original.size()) + 1;
    if (buffer != nullptr && size >= needed)
        std::memcpy(buffer, original.c_str(), original.size() + 1);
    return needed;
}

int Shutdown() {
    Fake().Log("kvShutdown()");
    return Fake().Result("kvShutdown", 1);
}

int ReadMonitorLine(char* buffer, int size) {
    Fake().Log("kvReadMonitorLine(buffer, " + Int(size) + ")");
    auto& lines = Fake().monitorLines;
    if (lines.empty() || buffer == nullptr || size <= 0)
        return 0;
    std::string line = lines.front();
    lines.erase(lines.begin());
    size_t length = CCp932::CutLength(line.data(), line.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, line.data(), length);
    buffer[length] = '\0';
    return 1;
}

int CopyText(char* field, const char* text, int size) {
    Fake().Log("kvCopyText(field, " + Text(text) + ", " + Int(size) + ")");
    return CCp932::CopyText(field, text, size) ? 1 : 0;
}

int OpenUsers(const char* filter, const char* name, int flags) {
    Fake().Log("kvOpenUsers(" + Text(filter) + ", " + Text(name) + ", " + Int(flags) + ")");
    Fake().userPosition = 0;
    Fake().userFilter = filter == nullptr && name != nullptr ? name : "";
    return Fake().Result("kvOpenUsers", 1);
}

int CloseUsers() {
    Fake().Log("kvCloseUsers()");
    return Fake().Result("kvCloseUsers", 1);
}

bool SameIgnoringCase(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

int NextUser(kvUserRecord* record, int mode) {
    Fake().Log("kvNextUser(" + Record(record) + ", " + Int(mode) + ")");
    CRecordingBackend& fake = Fake();
    while (!fake.userFilter.empty() && fake.userPosition < fake.users.size() &&
           !SameIgnoringCase(fake.userFilter, fake.users[fake.userPosition].userName))
        ++fake.userPosition;
    return Deliver("kvNextUser", fake.users, fake.userPosition, record);
}

int UpdateUser(const char* name, const kvUserRecord* record) {
    Fake().Log("kvUpdateUser(" + Text(name) + ", " + Record(record) + ")");
    if (record != nullptr)
        Fake().updatedUsers.push_back(*record);
    return Fake().Result("kvUpdateUser", 1);
}

int GetUser(const char* name, kvUserRecord* record) {
    Fake().Log("kvGetUser(" + Text(name) + ", " + Record(record) + ")");
    if (name == nullptr || record == nullptr || Fake().Result("kvGetUser", 1) == 0)
        return 0;
    auto found = Fake().usersByName.find(name);
    if (found == Fake().usersByName.end())
        return 0;
    std::memcpy(record, &found->second, sizeof(*record));
    return 1;
}

// The scripted record's password field stands for what the backend stores:
// the first scripted user of exactly that name (kvGetUser's map, else the list).
kvUserRecord* StoredUser(const char* name) {
    auto found = Fake().usersByName.find(name);
    if (found != Fake().usersByName.end())
        return &found->second;
    for (kvUserRecord& user : Fake().users)
        if (std::strncmp(user.userName, name, sizeof(user.userName)) == 0)
            return &user;
    return nullptr;
}

int CheckPassword(const char* name, const char* password) {
    Fake().Log("kvCheckPassword(" + Text(name) + ", " + Text(password) + ")");
    if (name == nullptr || password == nullptr || Fake().Result("kvCheckPassword", -1) == 0)
        return 0;
    const kvUserRecord* user = StoredUser(name);
    return user != nullptr &&
           std::string(user->password, strnlen(user->password, sizeof(user->password))) == password;
}

int ChangePassword(const char* name, const char* oldPassword, const char* newPassword) {
    Fake().Log("kvChangePassword(" + Text(name) + ", " + Text(oldPassword) + ", " +
               Text(newPassword) + ")");
    if (name == nullptr || oldPassword == nullptr || newPassword == nullptr ||
        Fake().Result("kvChangePassword", -1) == 0)
        return 0;
    kvUserRecord* user = StoredUser(name);
    if (user == nullptr ||
        std::string(user->password, strnlen(user->password, sizeof(user->password))) != oldPassword)
        return 0;
    CCp932::CopyText(user->password, newPassword, sizeof(user->password));
    Fake().changedPasswords.emplace_back(name, newPassword);
    return 1;
}

int RewindUsers() {
    Fake().Log("kvRewindUsers()");
    Fake().userPosition = 0;
    return Fake().Result("kvRewindUsers", 1);
}

int OpenSchedules(const char* owner, const char* filter) {
    Fake().Log("kvOpenSchedules(" + Text(owner) + ", " + Text(filter) + ")");
    Fake().schedulePosition = 0;
    return Fake().Result("kvOpenSchedules", 1);
}

int CloseSchedules() {
    Fake().Log("kvCloseSchedules()");
    return Fake().Result("kvCloseSchedules", 1);
}

int NextSchedule(kvScheduleRecord* record, int mode) {
    Fake().Log("kvNextSchedule(" + Record(record) + ", " + Int(mode) + ")");
    return Deliver("kvNextSchedule", Fake().schedules, Fake().schedulePosition, record);
}

int AddSchedule(const kvScheduleRecord* record, int mode) {
    Fake().Log("kvAddSchedule(" + Record(record) + ", " + Int(mode) + ")");
    if (record != nullptr)
        Fake().addedSchedules.push_back(*record);
    return Written(Fake().Result("kvAddSchedule", 1));
}

int UpdateSchedule(const kvScheduleRecord* record, int mode) {
    Fake().Log("kvUpdateSchedule(" + Record(record) + ", " + Int(mode) + ")");
    if (record != nullptr)
        Fake().updatedSchedules.push_back(*record);
    return Written(Fake().Result("kvUpdateSchedule", 1));
}

int FindDuplicateSchedule(const char* owner, int flags, int year, int month, int day, int hour,
                          int minute, int allDay, const char* title) {
    Fake().Log("kvFindDuplicateSchedule(" + Text(owner) + ", " + Int(flags) + ", " + Int(year) +
               ", " + Int(month) + ", " + Int(day) + ", " + Int(hour) + ", " + Int(minute) + ", " +
               Int(allDay) + ", " + Text(title) + ")");
    return Fake().Result("kvFindDuplicateSchedule", 0);
}

int OpenBoard(const char* name, int mode) {
    Fake().Log("kvOpenBoard(" + Text(name) + ", " + Int(mode) + ")");
    Fake().boardPosition = 0;
    return Fake().Result("kvOpenBoard", 1);
}

int CloseBoard() {
    Fake().Log("kvCloseBoard()");
    return Fake().Result("kvCloseBoard", 1);
}

int ReadBoardMessage(kvBoardMessage* record, int mode) {
    Fake().Log("kvReadBoardMessage(" + Record(record) + ", " + Int(mode) + ")");
    size_t position = Fake().boardPosition;
    // Reading leaves the position where it is.
    return Deliver("kvReadBoardMessage", Fake().board, position, record);
}

int RewindBoard() {
    Fake().Log("kvRewindBoard()");
    Fake().boardPosition = 0;
    return Fake().Result("kvRewindBoard", 1);
}

int NextBoardMessage() {
    Fake().Log("kvNextBoardMessage()");
    ++Fake().boardPosition;
    return Fake().Result("kvNextBoardMessage", Fake().boardPosition < Fake().board.size() ? 1 : 0);
}

int OpenAddressBook(const char* owner, int mode, int a, int b, int c) {
    Fake().Log("kvOpenAddressBook(" + Text(owner) + ", " + Int(mode) + ", " + Int(a) + ", " +
               Int(b) + ", " + Int(c) + ")");
    Fake().addressPosition = 0;
    return Fake().Result("kvOpenAddressBook", 1);
}

int CloseAddressBook() {
    Fake().Log("kvCloseAddressBook()");
    return Fake().Result("kvCloseAddressBook", 1);
}

int NextAddress(kvAddressRecord* record, int mode) {
    Fake().Log("kvNextAddress(" + Record(record) + ", " + Int(mode) + ")");
    return Deliver("kvNextAddress", Fake().addresses, Fake().addressPosition, record);
}

int AddAddress(const kvAddressRecord* record) {
    Fake().Log("kvAddAddress(" + Record(record) + ")");
    if (record != nullptr)
        Fake().addedAddresses.push_back(*record);
    return Written(Fake().Result("kvAddAddress", 1));
}

int UpdateAddress(const kvAddressRecord* record) {
    Fake().Log("kvUpdateAddress(" + Record(record) + ")");
    if (record != nullptr)
        Fake().updatedAddresses.push_back(*record);
    return Written(Fake().Result("kvUpdateAddress", 1));
}

int FindDuplicateAddress(const char* owner, int flags, const char* last, const char* first,
                         const char* company) {
    Fake().Log("kvFindDuplicateAddress(" + Text(owner) + ", " + Int(flags) + ", " + Text(last) +
               ", " + Text(first) + ", " + Text(company) + ")");
    return Fake().Result("kvFindDuplicateAddress", 0);
}

int BeginAddressUpdate(const char* owner) {
    Fake().Log("kvBeginAddressUpdate(" + Text(owner) + ")");
    return Fake().Result("kvBeginAddressUpdate", 1);
}

int EndAddressUpdate() {
    Fake().Log("kvEndAddressUpdate()");
    return Fake().Result("kvEndAddressUpdate", 1);
}

int AddAddressCategory(const char* category) {
    Fake().Log("kvAddAddressCategory(" + Text(category) + ")");
    if (category != nullptr)
        Fake().addedCategories.push_back(category);
    return Fake().Result("kvAddAddressCategory", 1);
}

int FindAddressCategory(const char* category) {
    Fake().Log("kvFindAddressCategory(" + Text(category) + ")");
    if (category == nullptr)
        return 0;
    for (const std::string& added : Fake().addedCategories)
        if (added == category)
            return 1;
    return Fake().Result("kvFindAddressCategory", 0);
}

} // namespace

CRecordingBackend::CRecordingBackend() : m_saved(KvBackend()) {
    if (s_pActive != nullptr)
        throw std::logic_error("only one recording backend at a time");
    s_pActive = this;
    CBackendTable& table = KvBackend();
    table.kvShutdown = Shutdown;
    table.kvReadMonitorLine = ReadMonitorLine;
    table.kvCopyText = CopyText;
    table.kvOpenUsers = OpenUsers;
    table.kvCloseUsers = CloseUsers;
    table.kvNextUser = NextUser;
    table.kvUpdateUser = UpdateUser;
    table.kvGetUser = GetUser;
    table.kvRewindUsers = RewindUsers;
    table.kvOpenSchedules = OpenSchedules;
    table.kvCloseSchedules = CloseSchedules;
    table.kvNextSchedule = NextSchedule;
    table.kvAddSchedule = AddSchedule;
    table.kvUpdateSchedule = UpdateSchedule;
    table.kvFindDuplicateSchedule = FindDuplicateSchedule;
    table.kvOpenBoard = OpenBoard;
    table.kvCloseBoard = CloseBoard;
    table.kvReadBoardMessage = ReadBoardMessage;
    table.kvRewindBoard = RewindBoard;
    table.kvNextBoardMessage = NextBoardMessage;
    table.kvOpenAddressBook = OpenAddressBook;
    table.kvCloseAddressBook = CloseAddressBook;
    table.kvNextAddress = NextAddress;
    table.kvAddAddress = AddAddress;
    table.kvUpdateAddress = UpdateAddress;
    table.kvFindDuplicateAddress = FindDuplicateAddress;
    table.kvBeginAddressUpdate = BeginAddressUpdate;
    table.kvEndAddressUpdate = EndAddressUpdate;
    table.kvAddAddressCategory = AddAddressCategory;
    table.kvFindAddressCategory = FindAddressCategory;
    table.kvVersion = Version;
    table.kvLastError = LastError;
    table.kvCommittedWrites = CommittedWrites;
    table.kvPostMonitorLine = PostMonitorLine;
    table.kvCheckPassword = CheckPassword;
    table.kvChangePassword = ChangePassword;
    table.kvSetNextOriginal = SetNextOriginal;
    table.kvLastOriginal = LastOriginal;
    table.kvBeginImport = BeginImport;
    table.kvEndImport = EndImport;
    table.kvSkipImportRecord = SkipImportRecord;
    table.kvLastImport = LastImport;
    table.kvUndoImport = UndoImport;
    table.kvDatabaseLocation = DatabaseLocation;
}

CRecordingBackend::~CRecordingBackend() {
    KvBackend() = m_saved;
    s_pActive = nullptr;
}

CRecordingBackend& CRecordingBackend::Active() {
    if (s_pActive == nullptr)
        throw std::logic_error("no recording backend is installed");
    return *s_pActive;
}

std::vector<std::string> CRecordingBackend::CallsTo(const std::string& name) const {
    std::vector<std::string> calls;
    for (const std::string& call : m_calls)
        if (call.compare(0, name.size() + 1, name + "(") == 0)
            calls.push_back(call);
    return calls;
}

int CRecordingBackend::Count(const std::string& name) const {
    return static_cast<int>(CallsTo(name).size());
}

void CRecordingBackend::Log(std::string call) {
    std::string name = call.substr(0, call.find('('));
    m_calls.push_back(std::move(call));
    if (onCall)
        onCall(m_calls.back());
    // A failure set while the call runs applies to it.
    auto failure = m_failures.find(name);
    lastError = failure != m_failures.end() ? failure->second : std::string();
}

void CRecordingBackend::AtEnd(const std::string& name) {
    auto failure = m_endFailures.find(name);
    if (failure != m_endFailures.end())
        lastError = failure->second;
}

void CRecordingBackend::SetFailure(const std::string& name, const std::string& reason) {
    if (reason.empty())
        m_failures.erase(name);
    else
        m_failures[name] = reason;
}

int CRecordingBackend::Result(const std::string& name, int fallback) const {
    if (m_failures.count(name) != 0)
        return 0;
    auto found = m_results.find(name);
    return found != m_results.end() ? found->second : fallback;
}
