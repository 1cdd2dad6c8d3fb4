#include "Database.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "ConfigFile.h"
#include "Engine.h"
#include "ErrorState.h"
#include "MonitorQueue.h"
#include "MonitorText.h"
#include "ReasonText.h"

CDatabase::CDatabase(CMonitorQueue& monitor, Migration migrate)
    : m_monitor(monitor), m_migrate(std::move(migrate)) {
    // $KELVO_BATCH_MS shortens the batch period (tests of interrupted imports).
    const char* batch = std::getenv("KELVO_BATCH_MS");
    if (batch != nullptr && *batch != '\0')
        m_batchPeriod = std::chrono::milliseconds(std::atoi(batch));
    m_pImports = std::make_unique<CImportRecorder>(*this);
}

CDatabase::~CDatabase() {
    if (m_pConnection && !m_pConnection->IsBroken())
        CommitBatch();
}

bool CDatabase::ConfiguredLocation(std::string& location, bool& defaultLocation, std::string& error,
                                   std::string* source) {
    defaultLocation = false;
    const char* configured = std::getenv("KELVO_DATABASE");
    if (configured != nullptr && *configured != '\0') {
        location = configured;
        if (source != nullptr)
            *source = "KELVO_DATABASE";
        return true;
    }
    // Set but empty is a script's variable that held nothing: never taken
    // for the person's own groupware.
    if (configured != nullptr) {
        error = "KELVO_DATABASE is set but empty: name a database (a file or a postgresql:// "
                "URI), or unset it for the default";
        return false;
    }
    // Then what the person's or the machine's configuration says.
    std::string file;
    if (!CConfigFile::FindDatabase(location, file, error))
        return false;
    if (!location.empty()) {
        if (source != nullptr)
            *source = file;
        return true;
    }
    if (source != nullptr)
        source->clear();
    defaultLocation = true;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/') {
        location = std::string(dataHome) + "/kelvo/groupware.db";
        return true;
    }
    // Without a home there is no default: a folder at the root would be a surprise.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/' || std::string(home) == "/") {
        error = "no database is configured: set KELVO_DATABASE (or HOME, or XDG_DATA_HOME)";
        return false;
    }
    location = std::string(home) + "/.local/share/kelvo/groupware.db";
    return true;
}

bool CDatabase::Refuse(const std::string& reason) {
    m_monitor.Push(CMonitorText::Say(u8"エラー: %1", {CReasonText::ForPerson(reason)}));
    CErrorState::Set(reason);
    m_pConnection.reset();
    return false;
}

bool CDatabase::Open() {
    std::string location, error;
    bool defaultLocation = false;
    if (!ConfiguredLocation(location, defaultLocation, error))
        return Refuse(error);
    return OpenAt(location, defaultLocation);
}

bool CDatabase::LooksLikeUri(const std::string& location) {
    // A scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
    if (location.empty() || !std::isalpha(static_cast<unsigned char>(location[0])))
        return false;
    for (char c : location) {
        if (c == ':')
            return true;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

bool CDatabase::OpenAt(const std::string& location, bool defaultLocation, const CSignIn* signIn) {
    m_bLoginRefused = false;
    // A mistyped server URI must not become a file of that name (with the
    // password in its name), nor be shown with its password.
    const CEngine& server = CEngine::Server();
    if (!server.Serves(location) && LooksLikeUri(location))
        return Refuse("database " + server.Shown(location) +
                      " looks like a URI but is not one (postgresql://...); a file name with a "
                      "colon is written as ./NAME");
    const CEngine& engine = CEngine::For(location);
    CEngine::COpened opened = engine.Open(location, defaultLocation, signIn);
    m_bLoginRefused = opened.loginRefused;
    if (!opened.connection)
        return Refuse("database " + engine.Shown(location) + " cannot be opened: " + opened.error);
    m_pConnection = std::move(opened.connection);
    if (!PrepareSchema())
        return false;
    m_monitor.Push(CMonitorText::Say(u8"データベース %1 を開きました", {Location()}));
    return true;
}

bool CDatabase::PrepareSchema() {
    CConnection& connection = *m_pConnection;
    // Nothing is changed before the database is known to be ours (or empty).
    CConnection::Content content = CConnection::Content::Empty;
    int version = 0;
    if (!connection.Identify(content, version))
        return Refuse("database " + Location() + " cannot be used: " + connection.ErrorMessage());
    if (content == CConnection::Content::Foreign)
        return Refuse("database " + Location() +
                      " is not a kelvo groupware database; it was left unchanged");
    if (content == CConnection::Content::Ours && version > kSchemaVersion)
        return Refuse("database " + Location() + " was written by a newer kelvo (schema version " +
                      std::to_string(version) + ", this library knows " +
                      std::to_string(kSchemaVersion) + ")");
    if (!connection.Configure())
        return Refuse("database " + Location() + " cannot be used: " + connection.ErrorMessage());
    if (content == CConnection::Content::Ours && version == kSchemaVersion)
        return true;
    // Two processes may create the schema at once: the second sees it after
    // waiting for the first one's write transaction.
    bool done =
        connection.BeginWrite() && connection.LockSchema() && connection.Identify(content, version);
    if (done && content == CConnection::Content::Foreign)
        done = false;
    else if (done && content == CConnection::Content::Empty)
        done = connection.CreateSchema(kSchemaVersion);
    else if (done && version < kSchemaVersion) {
        // The tables first, then what the data needs, in the same transaction.
        done = connection.Upgrade(version, kSchemaVersion) &&
               (!m_migrate || m_migrate(*this, version));
        if (done)
            m_monitor.Push(CMonitorText::Say(u8"データベース %1 をスキーマ版 %2 に更新しました",
                                             {Location(), std::to_string(kSchemaVersion)}));
    }
    if (done && connection.Commit())
        return true;
    std::string reason = connection.ErrorMessage();
    connection.Rollback();
    return Refuse("database " + Location() + " cannot be prepared: " + reason);
}

std::unique_ptr<CStatement> CDatabase::Prepare(const std::string& sql) {
    ReleaseProbe();
    std::unique_ptr<CStatement> statement = m_pConnection->Prepare(sql);
    if (!statement)
        Fail("statement cannot be prepared");
    return statement;
}

std::unique_ptr<CStatement> CDatabase::PrepareList(const std::string& sql) {
    std::unique_ptr<CStatement> statement = m_pConnection->PrepareList(sql);
    if (!statement)
        Fail("statement cannot be prepared");
    return statement;
}

std::unique_ptr<CStatement> CDatabase::PrepareAppend(const std::string& table,
                                                     const std::string& columns) {
    ReleaseProbe();
    std::unique_ptr<CStatement> statement = m_pConnection->PrepareAppend(table, columns);
    if (!statement)
        Fail("statement cannot be prepared");
    return statement;
}

bool CDatabase::ListReadsOriginals(const std::string& table, const std::string& condition,
                                   const std::function<void(CStatement&)>& bind) {
    m_pHeldProbe = m_pConnection->PrepareOriginalsProbe(table, condition);
    if (!m_pHeldProbe)
        return true;
    bind(*m_pHeldProbe);
    // A probe that fails leaves the list reading them all.
    if (m_pHeldProbe->Step() != CStatement::Result::Row) {
        ReleaseProbe();
        return true;
    }
    return m_pHeldProbe->ColumnInt64(0) != 0;
}

bool CDatabase::StepRow(CStatement& cursor, const char* what) {
    if (m_pHeldProbe) {
        // The list's snapshot is its own from its first row on.
        // (Released after the reason is taken: the engine's last error is the connection's.)
        CStatement::Result result = cursor.Step();
        if (result == CStatement::Result::Error)
            Fail(std::string(what) + " cannot be read");
        ReleaseProbe();
        return result == CStatement::Result::Row;
    }
    CStatement::Result result = cursor.Step();
    if (result == CStatement::Result::Row)
        return true;
    if (result == CStatement::Result::Error)
        Fail(std::string(what) + " cannot be read");
    return false;
}

namespace {

std::chrono::milliseconds& ClockOffset() {
    static std::chrono::milliseconds offset{0};
    return offset;
}

} // namespace

std::chrono::steady_clock::time_point CDatabase::Now() {
    return std::chrono::steady_clock::now() + ClockOffset();
}

void CDatabase::AdvanceClock(std::chrono::milliseconds by) {
    ClockOffset() += by;
}

bool CDatabase::BeforeBatchedWrite() {
    ReleaseProbe(); // no write upgrades a snapshot a list probe holds
    auto now = Now();
    if (m_bBatchOpen && !m_pConnection->InTransaction())
        ForgetBatch();
    bool held = m_bBatchHeld;
    m_bBatchHeld = false;
    if (m_bBatchOpen && (held || now - m_batchStart <= m_batchPeriod))
        return true;
    if (m_bBatchOpen) {
        if (!CommitBatch())
            return false;
        // A batch ends in the middle of an import: other writers go first.
        m_pConnection->YieldToWaiters(m_batchPeriod);
    }
    if (!m_pConnection->BeginWrite()) {
        Fail("the database cannot be written");
        return false;
    }
    m_bBatchOpen = true;
    ++m_nTransaction;
    m_lockedOwners.clear();
    m_batchStart = now;
    return true;
}

bool CDatabase::BeforeDependentLookup() {
    if (!BeforeBatchedWrite())
        return false;
    m_bBatchHeld = true;
    return true;
}

void CDatabase::SetBatchHooks(const void* owner, std::function<void()> beforeCommit,
                              std::function<void(bool)> afterEnd) {
    m_hooks[owner] = {std::move(beforeCommit), std::move(afterEnd)};
}

bool CDatabase::CommitBatch() {
    ReleaseProbe();
    m_bBatchHeld = false;
    if (!m_bBatchOpen)
        return true;
    if (!m_pConnection->InTransaction()) {
        ForgetBatch();
        return false;
    }
    for (const auto& hook : m_hooks)
        if (hook.second.first)
            hook.second.first();
    if (m_pConnection->Commit()) {
        m_bBatchOpen = false;
        m_nCommittedWrites += m_nPendingWrites;
        m_nPendingWrites = 0;
        EndBatch(true);
        return true;
    }
    // A server that went away after the COMMIT was sent may have stored the
    // batch before it went: the entries are in doubt, said so and never
    // counted as stored.
    if (m_pConnection->IsBroken())
        Fail("write batch cannot be committed",
             "the connection was lost while " + std::to_string(m_nPendingWrites) +
                 " entries were being committed; the server may have stored them");
    else
        Fail("write batch cannot be committed");
    ForgetBatch();
    return false;
}

bool CDatabase::InTransaction(const std::string& what, const std::function<bool()>& work) {
    if (!CommitBatch())
        return false;
    if (!m_pConnection->BeginWrite()) {
        Fail(what);
        return false;
    }
    if (work() && m_pConnection->Commit())
        return true;
    if (CErrorState::Get().empty())
        Fail(what);
    m_pConnection->Rollback();
    return false;
}

void CDatabase::AfterFailedWrite() {
    if (m_bBatchOpen && !m_pConnection->InTransaction())
        ForgetBatch();
}

void CDatabase::ForgetBatch() {
    m_bBatchOpen = false;
    m_bBatchHeld = false;
    m_pConnection->Rollback();
    m_monitor.Push(CMonitorText::Say(u8"まとめて書き込む %1 件を取り消しました",
                                     {std::to_string(m_nPendingWrites)}));
    m_nPendingWrites = 0;
    // IDs reserved in the transaction may be handed out again.
    m_idBlocks.clear();
    EndBatch(false);
}

void CDatabase::EndBatch(bool committed) {
    m_lockedOwners.clear();
    for (const auto& hook : m_hooks)
        if (hook.second.second)
            hook.second.second(committed);
}

bool CDatabase::NextId(const char* table, long long& id) {
    auto found = m_idBlocks.find(std::string_view(table));
    if (found == m_idBlocks.end())
        found = m_idBlocks.emplace(table, std::make_pair(0LL, 0LL)).first;
    auto& block = found->second;
    if (block.first >= block.second) {
        long long first = 0, count = 0;
        if (!m_pConnection->ReserveIds(table, first, count) || count <= 0) {
            Fail(std::string(table) + " cannot be numbered");
            return false;
        }
        block = {first, first + count};
    }
    id = block.first++;
    return true;
}

bool CDatabase::LockOwner(const std::string& kind, const std::string& owner, bool& takenNow) {
    takenNow = m_lockedOwners.insert(kind + '\0' + owner).second;
    if (!takenNow)
        return true;
    if (m_pConnection->LockOwner(kind, owner))
        return true;
    Fail("the entries of " + owner + " cannot be locked");
    return false;
}

void CDatabase::Fail(const std::string& what, const std::string& note) {
    std::string reason = m_pConnection ? m_pConnection->ErrorMessage() : "out of memory";
    if (!note.empty())
        reason += " (" + note + ")";
    CErrorState::Set(what + ": " + reason);
    m_monitor.Push(CMonitorText::Say(u8"エラー: %1", {CReasonText::ForPerson(CErrorState::Get())}));
}
