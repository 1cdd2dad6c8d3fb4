#include "ExportCommand.h"

#include <functional>
#include <memory>
#include <ostream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "ExportFile.h"
#include "GoogleCsvWriter.h"
#include "ICalendarWriter.h"
#include "LdifWriter.h"
#include "OutlookCsvWriter.h"
#include "OutputBuffer.h"
#include "ProgressLine.h"
#include "Terminal.h"
#include "VCardWriter.h"
#include "kelvo.h"

namespace {

// One kind of list as an export reads it through the library.
template <typename Record> struct CList;

template <> struct CList<kvAddressRecord> {
    static constexpr const char* kName = "the address book";
    static constexpr int kKind = KV_KIND_ADDRESS;
    static int Open(const std::string& owner) {
        return kvOpenAddressBook(owner.c_str(), -1, 0, 0, 0);
    }
    static int Next(kvAddressRecord* record) { return kvNextAddress(record, 1); }
    static void Close() { kvCloseAddressBook(); }
    // The book shows the owner's entries and the public ones.
    static bool IsPublic(const kvAddressRecord& record) { return record.owner[0] == '\0'; }
};

template <> struct CList<kvScheduleRecord> {
    static constexpr const char* kName = "the schedules";
    static constexpr int kKind = KV_KIND_SCHEDULE;
    static int Open(const std::string& owner) { return kvOpenSchedules(owner.c_str(), ""); }
    static int Next(kvScheduleRecord* record) { return kvNextSchedule(record, 1); }
    static void Close() { kvCloseSchedules(); }
    static bool IsPublic(const kvScheduleRecord& record) { return record.isPublic != 0; }
};

// What a format writes: something before the entries, each entry (with
// what it keeps beside its record), something after.
template <typename Record> struct CFormat {
    std::function<void()> begin;
    std::function<void(const Record&, std::string_view)> write;
    std::function<void()> end;
};

// The one loop of every export: the list's entries that are (or are not)
// public, each written to text (where) as it comes; a write that text does
// not take ends it.
template <typename Record>
long WriteEntries(const std::string& owner, bool isPublic, const CFormat<Record>& format,
                  std::ostream& text, const std::string& where, CProgressLine& progress) {
    using List = CList<Record>;
    if (format.begin)
        format.begin();
    if (!List::Open(owner))
        CAdminText::Fail(std::string(List::kName) + " cannot be read");
    long written = 0;
    auto record = std::make_unique<Record>();
    std::string original;
    while (List::Next(record.get())) {
        if (List::IsPublic(*record) != isPublic)
            continue;
        original = CAdminText::LastOriginal(List::kKind);
        format.write(*record, original);
        COutputBuffer::Check(text, where, written);
        // How many there are is not known in advance: the count and the rate.
        progress.Update(++written, -1);
    }
    char reason[KV_MONITOR_LINE_SIZE];
    if (kvLastError(reason, sizeof(reason)))
        throw CAdminError("reading " + std::string(List::kName) + " stopped after " +
                          std::to_string(written) + " entries: " + CAdminText::ToUtf8(reason));
    List::Close();
    if (format.end)
        format.end();
    text.flush();
    COutputBuffer::Check(text, where, written);
    return written;
}

} // namespace

CExportCommand::COptions CExportCommand::TakeOptions(CArguments& args) const {
    if (!Addresses() && m_strKind != "schedules")
        throw CAdminError("unknown export \"" + m_strKind + "\"");
    COptions options;
    std::string owner = args.TakeSingleOption("--owner", true);
    options.format = args.TakeSingleOption("--format");
    options.encoding = args.TakeSingleOption("--encoding");
    options.isPublic = args.TakeFlag("--public");
    options.quiet = args.TakeFlag("--quiet");
    options.path = args.Empty() ? std::string() : args.TakeFront("");
    args.ExpectNoMore();
    const char* own = Addresses() ? "vcard" : "ical";
    if (options.format.empty())
        options.format = own;
    if (options.format != "outlook" && options.format != own &&
        !(Addresses() && (options.format == "ldif" || options.format == "google")))
        throw CAdminError("--format for " + m_strKind + " is " +
                          (Addresses() ? "vcard, ldif, google or outlook" : "ical or outlook"));
    if (!options.encoding.empty() && (options.format != "outlook" ||
                                      (options.encoding != "utf-8" && options.encoding != "cp932")))
        throw CAdminError("--encoding is for --format outlook: cp932 (the default) or utf-8");
    if (owner.empty())
        throw CAdminError("--owner is empty: name the user whose entries are exported");
    options.owner = CAdminText::ToCp932(owner, "owner");
    return options;
}

long CExportCommand::Write(const COptions& options, std::ostream& text, const std::string& where,
                           CProgressLine& progress, int& unwritten) const {
    const bool outlook = options.format == "outlook";
    COutlookCsvWriter csv(text, options.encoding == "utf-8");
    long written = 0;
    if (Addresses()) {
        CVCardWriter vcard(text);
        CLdifWriter ldif(text);
        CGoogleCsvWriter google(text);
        CFormat<kvAddressRecord> format;
        if (options.format == "google")
            format = {[&] { google.Begin(); },
                      [&](const kvAddressRecord& record, std::string_view original) {
                          google.Write(record, original);
                      },
                      nullptr};
        else if (options.format == "ldif")
            format = {[&] { text << "version: 1\n\n"; },
                      [&](const kvAddressRecord& record, std::string_view original) {
                          ldif.Write(record, original);
                      },
                      nullptr};
        else if (outlook)
            format = {[&] { csv.BeginAddresses(); },
                      [&](const kvAddressRecord& record, std::string_view original) {
                          csv.Write(record, original);
                      },
                      nullptr};
        else
            format = {nullptr,
                      [&](const kvAddressRecord& record, std::string_view original) {
                          vcard.Write(record, original);
                      },
                      nullptr};
        written = WriteEntries(options.owner, options.isPublic, format, text, where, progress);
    } else {
        CICalendarWriter ical(text);
        CFormat<kvScheduleRecord> format;
        if (outlook)
            format = {[&] { csv.BeginSchedules(); },
                      [&](const kvScheduleRecord& record, std::string_view original) {
                          csv.Write(record, original);
                      },
                      nullptr};
        else
            format = {[&] { ical.Begin(); },
                      [&](const kvScheduleRecord& record, std::string_view original) {
                          ical.Write(record, original);
                      },
                      [&] { ical.End(); }};
        written = WriteEntries(options.owner, options.isPublic, format, text, where, progress);
    }
    unwritten = csv.Unwritten();
    return written;
}

void CExportCommand::Run(CArguments& args, CTerminal& terminal) {
    const COptions options = TakeOptions(args);
    OpenDatabase();
    // Into a file only once every entry was read and written (CExportFile);
    // standard output takes them as they come.
    std::unique_ptr<CExportFile> file;
    if (!options.path.empty()) {
        for (const std::string& leftover : CExportFile::RemoveLeftovers(options.path))
            terminal.Err() << "kelvo-admin: removed " << leftover
                           << ", left by an export that was interrupted\n";
        file = std::make_unique<CExportFile>(options.path, !options.isPublic);
    }
    std::ostream& text = file ? file->Stream() : terminal.Out();
    CProgressLine progress(terminal.Err(), terminal.ShowsProgress(options.quiet), "entries");
    int unwritten = 0;
    const long written = Write(options, text, file ? options.path : std::string("standard output"),
                               progress, unwritten);
    progress.Finish();
    if (unwritten > 0)
        terminal.Err() << "kelvo-admin: " << unwritten
                       << " characters the entries keep have no code page 932 form and are "
                          "written as the fields hold them (〓); --encoding utf-8 writes them\n";
    if (!file)
        return;
    file->Commit();
    terminal.Err() << "exported " << written << (Addresses() ? " address" : " schedule")
                   << " entries to " << options.path << "\n";
}
