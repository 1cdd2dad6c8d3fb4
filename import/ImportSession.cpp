#include "ImportSession.h"

#include <string>

#include "BackendTable.h"
#include "ContentLine.h"
#include "FileHash.h"
#include "ICalendarReader.h"
#include "LdifReader.h"
#include "OutlookAddressReader.h"
#include "OutlookScheduleReader.h"
#include "TextFile.h"
#include "VCardReader.h"

namespace {

int CommittedWrites() {
    const CBackendTable& backend = KvBackend();
    return backend.kvCommittedWrites != nullptr ? backend.kvCommittedWrites() : 0;
}

} // namespace

CImportSession::CImportSession(CTextFile& file, COptions options)
    : m_file(file), m_options(std::move(options)),
      m_store(m_options.owner, m_options.isPublic, m_options.duplicateCheck, m_options.dryRun) {
    m_summary.dryRun = m_options.dryRun;
}

CImportSession::~CImportSession() {
    if (m_bOpen)
        Close();
}

bool CImportSession::Open() {
    if (m_options.dryRun && !m_options.plan)
        return true; // nothing is stored, so nothing is opened
    if (m_options.dryRun) {
        // Only read: the entries a record could replace.
        const bool read =
            m_plan.Load(m_options.kind == Kind::Addresses, m_options.owner, m_options.isPublic);
        if (!read)
            m_strFailure = KvLastError();
        return read;
    }
    const CBackendTable& backend = KvBackend();
    const char* owner = m_options.owner.c_str();
    m_nCommittedBefore = CommittedWrites();
    if (m_options.kind == Kind::Schedules) {
        m_bOpen = backend.kvOpenSchedules(owner, nullptr) != 0;
    } else if (backend.kvOpenAddressBook(owner, -1, 0, 0, 0)) {
        m_bOpen = backend.kvBeginAddressUpdate(owner) != 0;
        if (!m_bOpen) {
            m_strFailure = KvLastError();
            backend.kvCloseAddressBook();
            return false;
        }
    }
    if (!m_bOpen)
        m_strFailure = KvLastError();
    return m_bOpen;
}

CImportSession::Start CImportSession::Begin() {
    // Every reader takes Unicode text as it is, so that what code page 932
    // cannot hold is kept beside the entries.
    m_file.DeliverUnicode(true);
    std::string first;
    const bool any = m_file.ReadLine(first);
    const bool vcard = any && CContentLine::Matches(first, "BEGIN:VCARD");
    const bool calendar = any && CContentLine::Matches(first, "BEGIN:VCALENDAR");
    const bool ldif = any && CLdifReader::Starts(first);
    if (any)
        m_file.PushBack(std::move(first));
    const bool addresses = m_options.kind == Kind::Addresses;
    if (((vcard || ldif) && !addresses) || (calendar && addresses)) {
        // Nothing is read from a file of the other kind: no reader is made.
        m_summary.otherForm = vcard  ? CRecordReader::Form::VCard
                              : ldif ? CRecordReader::Form::Ldif
                                     : CRecordReader::Form::ICalendar;
        return Start::OtherKind;
    }
    const bool isPublic = m_options.isPublic;
    if (vcard)
        m_pReader = std::make_unique<CVCardReader>(m_file, isPublic);
    else if (ldif)
        m_pReader = std::make_unique<CLdifReader>(m_file, isPublic);
    else if (calendar)
        m_pReader = std::make_unique<CICalendarReader>(m_file, isPublic, m_options.now);
    else if (addresses)
        m_pReader = std::make_unique<COutlookAddressReader>(m_file, isPublic);
    else
        m_pReader = std::make_unique<COutlookScheduleReader>(m_file, isPublic);
    m_pReader->SetMapping(m_options.mapping);
    const CRecordReader::Start read = m_pReader->Begin();
    const Start start = read == CRecordReader::Start::Ready      ? Start::Ready
                        : read == CRecordReader::Start::NoHeader ? Start::NoHeader
                                                                 : Start::NoKnownColumns;
    m_encoding = m_file.GetEncoding();
    m_summary.encoding = CTextFile::EncodingName(m_encoding);
    m_summary.form = m_pReader->GetForm();
    // What the header said of itself: a header too wide is the reason nothing
    // can be imported, and is said as such.
    for (auto& warning : m_pReader->TakeWarnings()) {
        if (warning.kind == CRecordReader::CWarning::Kind::TooManyColumns)
            m_nHeaderColumnLimit = std::stoul(warning.value);
        else
            m_summary.AddWarning(std::move(warning));
    }
    m_summary.warningCount += m_pReader->TakeUntold();
    // The record begins with the first record read: a calendar tells that it
    // is vCalendar only in its VERSION line.
    m_bRecordPending = start == Start::Ready && m_bOpen && !m_options.dryRun;
    return start;
}

bool CImportSession::BeginRecord() {
    const CBackendTable& backend = KvBackend();
    std::string hash;
    long long size = 0;
    if (!m_file.IsStream() && !m_options.file.empty())
        CFileHash::Sha256(m_options.file, hash, size);
    std::string options = std::string("public: ") + (m_options.isPublic ? "yes" : "no") +
                          "; duplicate check: " + (m_options.duplicateCheck ? "yes" : "no");
    for (const auto& [header, target] : m_options.mapping)
        options += "; " + header + " = " + (target.empty() ? "-" : target);
    // Public addresses belong to no one; every other entry to the person.
    const bool addresses = m_options.kind == Kind::Addresses;
    const std::string owner = addresses && m_options.isPublic ? std::string() : m_options.owner;
    m_nImport = backend.kvBeginImport(
        addresses ? KV_KIND_ADDRESS : KV_KIND_SCHEDULE, owner.c_str(),
        (m_options.userName.empty() ? m_options.owner : m_options.userName).c_str(),
        m_options.file.c_str(), size, hash.c_str(), CImportSummary::FormName(m_pReader->GetForm()),
        options.c_str());
    if (m_nImport > 0 && (!m_options.recordBegun || m_options.recordBegun(m_nImport)))
        return true;
    const std::string reason = KvLastError();
    m_strFailure = (m_nImport > 0 ? "the import cannot begin" : "the import cannot be recorded") +
                   (reason.empty() ? "" : ": " + reason);
    m_bRecordRefused = true;
    return false;
}

CImportSession::Step CImportSession::Next() {
    if (!m_pReader)
        return Step::End;
    if (m_bRecordRefused)
        return Step::Failed;
    Step step = ReadAndStore();
    CImportSummary& summary = m_summary;
    if (int substitutes = m_pReader->RecordSubstitutes(); substitutes > 0)
        summary.AddSubstituted(m_pReader->RecordLine(), substitutes);
    const bool planning = m_options.dryRun && m_options.plan;
    bool said = false;
    std::string recordFailure;
    for (auto& warning : m_pReader->TakeWarnings()) {
        if (warning.kind == CRecordReader::CWarning::Kind::TooManyColumns ||
            warning.kind == CRecordReader::CWarning::Kind::Malformed)
            ++m_nRefused;
        // A record passed over says why in its warning (a blank line says
        // nothing): in the plan, and in the import's record.
        if (step == Step::Skipped && !said && (planning || m_nImport > 0)) {
            said = true;
            std::string why =
                CImportSummary::NoteText(CImportSummary::CNote{warning.line, 0, &warning});
            if (m_nImport > 0 && !KvBackend().kvSkipImportRecord(warning.line, why.c_str())) {
                recordFailure = KvLastError();
                if (recordFailure.empty())
                    recordFailure = "what the import skipped cannot be recorded";
                step = Step::Failed;
            }
            if (planning)
                m_plan.Skip(warning.line, std::move(why));
        }
        summary.AddWarning(std::move(warning));
    }
    if (planning && step == Step::Checked) {
        const bool check = m_options.duplicateCheck;
        if (const kvAddressRecord* address = m_pReader->Address())
            m_plan.Address(*address, check, m_pReader->RecordLine());
        else if (const kvScheduleRecord* schedule = m_pReader->Schedule())
            m_plan.Schedule(*schedule, check, m_pReader->RecordLine());
    }
    summary.warningCount += m_pReader->TakeUntold();
    // A calendar says it is vCalendar only in its VERSION line.
    summary.form = m_pReader->GetForm();
    // The encoding may show only where the first character beyond ASCII stands.
    if (m_file.GetEncoding() != m_encoding) {
        m_encoding = m_file.GetEncoding();
        summary.encoding = CTextFile::EncodingName(m_encoding);
    }
    summary.units = m_pReader->Units();
    summary.expanded = m_pReader->Expanded();
    if (step == Step::End || step == Step::Failed) {
        summary.notCarried = m_pReader->NotCarried();
        summary.keptBeside = m_pReader->KeptBeside();
        summary.keptFields = m_pReader->KeptFields();
    }
    switch (step) {
    case Step::Added:
        ++summary.added;
        break;
    case Step::Updated:
        ++summary.updated;
        break;
    case Step::Checked:
        ++summary.checked;
        break;
    case Step::Skipped:
        ++summary.skipped;
        break;
    case Step::Failed:
        if (!recordFailure.empty())
            m_strFailure = recordFailure;
        else if (!m_bRecordRefused)
            m_strFailure = m_store.Failure();
        // An import that could not be recorded failed before any record.
        m_nFailedLine = m_bRecordRefused ? 0 : m_pReader->RecordLine();
        break;
    case Step::End:
        break;
    }
    return step;
}

CImportSession::Step CImportSession::ReadAndStore() {
    const CRecordReader::Step read = m_pReader->Next();
    if (read != CRecordReader::Step::End && m_bRecordPending) {
        m_bRecordPending = false;
        if (!BeginRecord())
            return Step::Failed;
    }
    switch (read) {
    case CRecordReader::Step::End:
        return Step::End;
    case CRecordReader::Step::Skipped:
        return Step::Skipped;
    case CRecordReader::Step::Record:
        break;
    }
    switch (m_store.Store(*m_pReader)) {
    case CRecordStore::Result::Added:
        return Step::Added;
    case CRecordStore::Result::Updated:
        return Step::Updated;
    case CRecordStore::Result::Checked:
        return Step::Checked;
    case CRecordStore::Result::Failed:
        break;
    }
    return Step::Failed;
}

bool CImportSession::Close() {
    if (!m_bOpen)
        return !Failed();
    m_bOpen = false;
    const CBackendTable& backend = KvBackend();
    // The record ends with the last entries; one not ended was cut short.
    if (m_nImport > 0 && !Failed())
        backend.kvEndImport(m_summary.skipped);
    m_nImport = 0;
    bool committed;
    if (m_options.kind == Kind::Schedules) {
        committed = backend.kvCloseSchedules() != 0;
    } else {
        committed = backend.kvEndAddressUpdate() != 0;
        // The reason is read before the close replaces it.
        std::string reason = committed ? std::string() : KvLastError();
        backend.kvCloseAddressBook();
        if (!committed && m_strFailure.empty())
            m_strFailure = reason.empty() ? "the entries cannot be committed" : reason;
    }
    if (!committed && m_strFailure.empty()) {
        std::string reason = KvLastError();
        m_strFailure = reason.empty() ? "the entries cannot be committed" : reason;
    }
    m_nCommitted = static_cast<int>(static_cast<unsigned>(CommittedWrites()) -
                                    static_cast<unsigned>(m_nCommittedBefore));
    return committed && !Failed();
}
