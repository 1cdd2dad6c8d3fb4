#include "ImportCommand.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "ColumnMapping.h"
#include "PlanWriter.h"
#include "ProgressLine.h"
#include "Terminal.h"
#include "TextFile.h"
#include "kelvoadmin.h"

CImportCommand::COptions CImportCommand::TakeOptions(CArguments& args) const {
    if (!Addresses() && m_strKind != "schedules")
        throw CAdminError("unknown import \"" + m_strKind + "\"");
    COptions options;
    options.owner = args.TakeSingleOption("--owner", true);
    CImportSession::COptions& session = options.session;
    session.kind = Addresses() ? CImportSession::Kind::Addresses : CImportSession::Kind::Schedules;
    session.isPublic = args.TakeFlag("--public");
    session.duplicateCheck = args.TakeFlag("--duplicate-check");
    session.dryRun = args.TakeFlag("--dry-run");
    session.plan = session.dryRun;
    const std::string format = args.TakeSingleOption("--format");
    if (!format.empty() && (format != "tsv" || !session.dryRun))
        throw CAdminError(format != "tsv" ? "--format " + format + ": the plan is written as tsv"
                                          : "--format tsv writes a dry run's plan: add --dry-run");
    options.tsv = !format.empty();
    options.quiet = args.TakeFlag("--quiet");
    const std::string map = args.TakeSingleOption("--map");
    options.path = args.TakeFront("import " + m_strKind + " needs a file");
    args.ExpectNoMore();
    // An empty owner would make the entries public, which only --public may do.
    if (options.owner.empty())
        throw CAdminError("--owner is empty: name the user the entries belong to (--public "
                          "makes them public)");
    if (!map.empty()) {
        std::ifstream in(map, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string why;
        if (!in)
            throw CAdminError("cannot read " + map + ": " + std::strerror(errno));
        if (!CColumnMapping::Parse(text.str(), session.mapping, why))
            throw CAdminError("--map " + map + ": " + why);
    }
    session.file = options.path;
    // The administrator's tool runs it, on the owner's behalf.
    session.userName = "kelvo-admin";
    session.owner = CAdminText::ToCp932Field(options.owner, "owner",
                                             Addresses() ? sizeof(kvAddressRecord::owner)
                                                         : sizeof(kvScheduleRecord::owner));
    return options;
}

void CImportCommand::CheckOwner(const COptions& options) {
    auto user = std::make_unique<kvUserRecord>();
    if (kvGetUser(options.session.owner.c_str(), user.get()))
        return;
    char reason[KV_MONITOR_LINE_SIZE];
    if (kvLastError(reason, sizeof(reason)))
        CAdminText::Fail("the owner cannot be looked up");
    throw CAdminError("the owner \"" + options.owner + "\" is not a user");
}

void CImportCommand::ReadAll(CImportSession& session, const CTextFile& file,
                             CProgressLine& progress) {
    const double size = static_cast<double>(file.Size());
    CImportSession::Step step;
    do {
        step = session.Next();
        const CImportSummary& done = session.Summary();
        progress.Update(done.added + done.updated + done.checked,
                        size > 0 ? static_cast<double>(session.BytesConsumed()) / size : -1);
    } while (step != CImportSession::Step::End && step != CImportSession::Step::Failed);
}

void CImportCommand::Run(CArguments& args, CTerminal& terminal) {
    const COptions options = TakeOptions(args);
    CTextFile file;
    if (!file.Open(options.path))
        throw CAdminError("cannot read " + options.path + ": " + std::strerror(errno));
    OpenDatabase();
    CheckOwner(options);

    CImportSession session(file, options.session);
    if (!session.Open())
        throw CAdminError("the " + std::string(Addresses() ? "address book" : "schedules") +
                          " cannot be opened: " + CAdminText::ToUtf8(session.Failure()));
    const CImportSession::Start start = session.Begin();
    if (const std::vector<std::string> unknown = session.UnknownTargets(); !unknown.empty()) {
        std::string known;
        for (const std::string& name : session.Targets())
            known += (known.empty() ? "" : ", ") + name;
        throw CAdminError("--map names \"" + unknown.front() + "\", which is no field of " +
                          (Addresses() ? "an address" : "a schedule") + " (the fields: " + known +
                          "); nothing was stored");
    }
    if (start == CImportSession::Start::Ready) {
        CProgressLine progress(terminal.Err(), terminal.ShowsProgress(options.quiet), "records");
        ReadAll(session, file, progress);
    }
    session.Close();
    Report(session, start, options, terminal);
}

void CImportCommand::Report(const CImportSession& session, CImportSession::Start start,
                            const COptions& options, CTerminal& terminal) const {
    const std::string& path = options.path;
    const CImportSummary& summary = session.Summary();
    if (start == CImportSession::Start::OtherKind)
        throw CAdminError(path + " is " +
                          (Addresses() ? "an iCalendar file: import it with import schedules"
                           : summary.otherForm == CRecordReader::Form::Ldif
                               ? "an LDIF file: import it with import addresses"
                               : "a vCard file: import it with import addresses"));
    if (start == CImportSession::Start::NoKnownColumns && session.HeaderColumnLimit() > 0)
        throw CAdminError("the header of " + path + " has more than " +
                          std::to_string(session.HeaderColumnLimit()) +
                          " columns, the most an import reads: nothing can be imported");
    if (start == CImportSession::Start::NoKnownColumns) {
        std::string notes;
        for (const CImportSummary::CNote& note : summary.Notes())
            notes += "; line " + std::to_string(note.line) + ": " +
                     CAdminText::ToUtf8(summary.NoteText(note));
        throw CAdminError("no column of " + path + " can be imported (" +
                          CAdminText::ToUtf8(summary.Lines().front()) + ")" + notes);
    }
    const char* noun = Addresses() ? " address" : " schedule";
    if (session.Failed()) {
        char database[4096] = {};
        kvAdminDatabasePath(database, sizeof(database));
        std::string where = session.FailedLine() > 0
                                ? " at line " + std::to_string(session.FailedLine()) + " of " + path
                                : " of " + path;
        throw CAdminError("import" + where + " stopped: " + CAdminText::ToUtf8(session.Failure()) +
                          " (database " + database + "); " + std::to_string(session.Committed()) +
                          noun + " records were committed before the failure");
    }
    if (session.ReadNothing()) {
        std::string notes;
        for (const std::string& line : summary.Lines())
            notes += "\n" + CAdminText::ToUtf8(line);
        throw CAdminError("no record of " + path + " could be read; nothing was stored" + notes);
    }
    // A plan for a spreadsheet has the output to itself: the summary goes aside.
    std::ostream& said = options.tsv ? terminal.Err() : terminal.Out();
    if (options.session.dryRun)
        said << "checked " << summary.checked << noun << " records; nothing stored (dry run)\n";
    else
        said << "stored " << session.Committed() << noun << " records\n";
    for (const std::string& line : summary.Lines())
        said << CAdminText::ToUtf8(line) << "\n";
    if (options.tsv)
        CPlanWriter::Tsv(session.Plan(), terminal.Out());
    else if (options.session.dryRun)
        CPlanWriter::Text(session.Plan(), terminal.Out());
}
