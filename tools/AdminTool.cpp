#include "AdminTool.h"

#include "kelvoadmin.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

#include "AdminError.h"
#include "AdminText.h"
#include "DemoSeeder.h"
#include "DumpWriter.h"
#include "ExportFile.h"
#include "ICalendarWriter.h"
#include "OutlookCsvWriter.h"
#include "ProgressLine.h"
#include "VCardWriter.h"
#include "ImportSession.h"
#include "TextFile.h"

namespace {

const char kUsage[] =
    "usage: kelvo-admin [--database PATH|URI] COMMAND\n"
    "       kelvo-admin --help | --version\n"
    "\n"
    "commands:\n"
    "  init                                  create an empty groupware database\n"
    "  user add NAME [--reading TEXT] [--group NAME]... [--password TEXT]\n"
    "                                        add a user (password at a prompt that does not\n"
    "                                        echo, or from standard input; --password is\n"
    "                                        for scripts only: ps shows it)\n"
    "  user passwd NAME                      set a password (prompt or standard input)\n"
    "  user list                             list the user names\n"
    "  board post --user NAME --title TEXT [--reply-to ID]\n"
    "                                        post standard input to the board (ID in hex)\n"
    "  import addresses|schedules --owner USER [--public] [--duplicate-check] [--dry-run]\n"
    "         [--quiet] FILE\n"
    "                                        import an Outlook export (tab- or comma-separated,\n"
    "                                        code page 932, UTF-8 or UTF-16), a vCard file\n"
    "                                        (addresses) or an iCalendar file (schedules), and\n"
    "                                        summarise it; --dry-run reads and checks, storing\n"
    "                                        nothing\n"
    "  export addresses --owner USER [--public] [--format vcard|outlook] [--quiet] [FILE]\n"
    "  export schedules --owner USER [--public] [--format ical|outlook] [--quiet] [FILE]\n"
    "                                        write the owner's private entries (--public: the\n"
    "                                        public ones) as vCard 4.0 or iCalendar (UTF-8),\n"
    "                                        or as Outlook's comma-separated text (code page\n"
    "                                        932), to FILE or standard output\n"
    "  demo                                  fill an empty database with a demo groupware\n"
    "  dump users|schedules|addresses|board [--owner NAME]\n"
    "                                        print what the groupware delivers\n"
    "  copy --to PATH|URI [--quiet]          copy the whole groupware into an empty database\n"
    "\n"
    "import, export and copy show their progress on standard error when it is a\n"
    "terminal; --quiet turns that off.\n"
    "\n"
    "The database is PATH (an SQLite file) or URI (postgresql://...), else\n"
    "$KELVO_DATABASE, else $XDG_DATA_HOME/kelvo/groupware.db.\n";

// A piped text ends with the newline that ends its last line; that one is not
// part of the text (as a commit message read from a file).
std::string TextWithoutFinalNewline(std::string text) {
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

std::string TakeFront(std::vector<std::string>& args, const std::string& missing) {
    if (args.empty())
        throw CAdminError(missing);
    std::string front = args.front();
    args.erase(args.begin());
    return front;
}

// Removes "--name VALUE" pairs from args; every value of the option, in order.
std::vector<std::string> TakeOption(std::vector<std::string>& args, const std::string& name) {
    std::vector<std::string> values;
    for (size_t i = 0; i < args.size();) {
        if (args[i] != name) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            throw CAdminError(name + " needs a value");
        values.push_back(args[i + 1]);
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    return values;
}

std::string TakeSingleOption(std::vector<std::string>& args, const std::string& name,
                             bool required) {
    std::vector<std::string> values = TakeOption(args, name);
    if (values.size() > 1)
        throw CAdminError(name + " is given more than once");
    if (values.empty() && required)
        throw CAdminError(name + " is required");
    return values.empty() ? std::string() : values.front();
}

// Removes a flag from args; whether it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
    auto found = std::find(args.begin(), args.end(), name);
    if (found == args.end())
        return false;
    args.erase(found);
    return true;
}

void ExpectNoMore(const std::vector<std::string>& args) {
    if (!args.empty())
        throw CAdminError("unexpected argument \"" + args.front() + "\"");
}

void OpenDatabase() {
    if (!kvAdminOpenDatabase())
        CAdminText::Fail("the database cannot be opened");
}

} // namespace

int CAdminTool::Run(const std::vector<std::string>& args) {
    try {
        Dispatch(args);
        return 0;
    } catch (const CAdminError& error) {
        m_err << "kelvo-admin: " << error.what() << "\n";
    } catch (const std::bad_alloc&) {
        // Whatever was committed stays; the rest is said, not aborted on.
        m_err << "kelvo-admin: out of memory; what was committed before stays stored\n";
    }
    return 1;
}

void CAdminTool::Dispatch(std::vector<std::string> args) {
    std::string database = TakeSingleOption(args, "--database", false);
    if (!database.empty())
        setenv("KELVO_DATABASE", database.c_str(), 1);
    if (!args.empty() && args.front() == "--version") {
        ExpectNoMore(std::vector<std::string>(args.begin() + 1, args.end()));
        int library = kvVersion();
        m_out << "kelvo-admin " << KELVO_VERSION << " (backend library " << (library >> 16) << "."
              << (library & 0xFFFF) << ")\n";
        return;
    }
    if (args.empty() || args.front() == "--help" || args.front() == "-h") {
        if (args.empty())
            throw CAdminError("no command given; see kelvo-admin --help");
        Usage();
        return;
    }
    std::string command = TakeFront(args, "no command given");
    if (command == "init") {
        ExpectNoMore(args);
        Init();
    } else if (command == "user") {
        std::string sub = TakeFront(args, "user needs add, passwd or list");
        if (sub == "add")
            UserAdd(args);
        else if (sub == "passwd")
            UserPasswd(args);
        else if (sub == "list")
            UserList(args);
        else
            throw CAdminError("unknown user command \"" + sub + "\"");
    } else if (command == "board") {
        std::string sub = TakeFront(args, "board needs post");
        if (sub != "post")
            throw CAdminError("unknown board command \"" + sub + "\"");
        BoardPost(args);
    } else if (command == "import") {
        std::string kind = TakeFront(args, "import needs addresses or schedules");
        Import(kind, args);
    } else if (command == "export") {
        std::string kind = TakeFront(args, "export needs addresses or schedules");
        Export(kind, args);
    } else if (command == "demo") {
        Demo(args);
    } else if (command == "dump") {
        Dump(args);
    } else if (command == "copy") {
        Copy(args);
    } else {
        throw CAdminError("unknown command \"" + command + "\"; see kelvo-admin --help");
    }
}

bool CAdminTool::ShowsProgress(bool quiet) const {
    return !quiet && &m_err == &std::cerr && CProgressLine::StandardErrorIsTerminal();
}

void CAdminTool::Usage() {
    m_out << kUsage;
}

std::string CAdminTool::ReadLine(const char* what) {
    std::string line;
    if (!std::getline(m_in, line))
        throw CAdminError(std::string("no ") + what + " on standard input");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string CAdminTool::ReadSecret(const std::string& prompt) {
    // At a terminal: a prompt, and nothing echoed (nor left in the shell's
    // history or in ps, as an option would be).
    const bool terminal = &m_in == &std::cin && isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        std::cerr << prompt << std::flush;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::string line;
        bool read = static_cast<bool>(std::getline(m_in, line));
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << "\n";
        if (!read)
            throw CAdminError("no password was typed");
        return line;
    }
    return ReadLine("password");
}

std::string CAdminTool::ReadAll() {
    return std::string(std::istreambuf_iterator<char>(m_in), std::istreambuf_iterator<char>());
}

void CAdminTool::Init() {
    OpenDatabase();
    char path[4096];
    kvAdminDatabasePath(path, sizeof(path));
    m_out << "database " << path << " is ready\n";
}

void CAdminTool::UserAdd(std::vector<std::string> args) {
    std::string reading = TakeSingleOption(args, "--reading", false);
    std::vector<std::string> groups = TakeOption(args, "--group");
    std::vector<std::string> passwords = TakeOption(args, "--password");
    std::string name = TakeFront(args, "user add needs a user name");
    ExpectNoMore(args);
    if (passwords.size() > 1)
        throw CAdminError("--password is given more than once");
    if (groups.size() > KV_GROUP_COUNT)
        throw CAdminError("a user has at most " + std::to_string(KV_GROUP_COUNT) + " groups");

    auto record = std::make_unique<kvUserRecord>();
    std::memset(record.get(), 0, sizeof(*record));
    std::string cpName = CAdminText::ToCp932Field(name, "user name", sizeof(record->userName));
    if (cpName.empty())
        throw CAdminError("the user name is empty");
    kvCopyText(record->userName, cpName.c_str(), sizeof(record->userName));
    kvCopyText(record->reading,
               CAdminText::ToCp932Field(reading, "reading", sizeof(record->reading)).c_str(),
               sizeof(record->reading));
    for (size_t i = 0; i < groups.size(); ++i)
        kvCopyText(record->groups[i],
                   CAdminText::ToCp932Field(groups[i], "group", sizeof(record->groups[i])).c_str(),
                   sizeof(record->groups[i]));
    if (!passwords.empty())
        m_err << "kelvo-admin: warning: --password shows the password to every user of this "
                 "machine (ps); type it at the prompt or give it on standard input\n";
    std::string password =
        passwords.empty() ? ReadSecret("password for " + name + ": ") : passwords.front();
    kvCopyText(
        record->password,
        CAdminText::SecretToCp932Field(password, "password", sizeof(record->password)).c_str(),
        sizeof(record->password));
    OpenDatabase();
    if (!kvAdminAddUser(record.get()))
        CAdminText::Fail("user \"" + name + "\" cannot be added");
    m_out << "user " << name << " added\n";
}

void CAdminTool::UserPasswd(std::vector<std::string> args) {
    std::string name = TakeFront(args, "user passwd needs a user name");
    ExpectNoMore(args);
    std::string cpName = CAdminText::ToCp932(name, "user name");
    std::string password = CAdminText::SecretToCp932Field(
        ReadSecret("new password for " + name + ": "), "password", KV_PASSWORD_SIZE);
    OpenDatabase();
    if (!kvAdminSetPassword(cpName.c_str(), password.c_str()))
        CAdminText::Fail("the password of \"" + name + "\" cannot be changed");
    m_out << "password of " << name << " changed\n";
}

void CAdminTool::UserList(std::vector<std::string> args) {
    ExpectNoMore(args);
    OpenDatabase();
    if (!kvOpenUsers("", nullptr, 0))
        CAdminText::Fail("the users cannot be read");
    auto record = std::make_unique<kvUserRecord>();
    while (kvNextUser(record.get(), 1))
        m_out << CAdminText::ToUtf8(record->userName) << "\n";
    char reason[KV_MONITOR_LINE_SIZE];
    if (kvLastError(reason, sizeof(reason)))
        throw CAdminError("reading the users stopped: " + CAdminText::ToUtf8(reason));
    kvCloseUsers();
}

void CAdminTool::BoardPost(std::vector<std::string> args) {
    std::string user = TakeSingleOption(args, "--user", true);
    std::string title = TakeSingleOption(args, "--title", true);
    std::string replyTo = TakeSingleOption(args, "--reply-to", false);
    ExpectNoMore(args);

    auto message = std::make_unique<kvBoardMessage>();
    std::memset(message.get(), 0, sizeof(*message));
    if (!replyTo.empty()) {
        char* end = nullptr;
        unsigned long parent = std::strtoul(replyTo.c_str(), &end, 16);
        if (*end != '\0' || parent == 0 || parent > 0xFFFFFFFFul)
            throw CAdminError("--reply-to needs a message ID as dump prints it, e.g. 00000001");
        message->parentId = static_cast<uint32_t>(parent);
    }
    kvCopyText(message->userName,
               CAdminText::ToCp932Field(user, "user name", sizeof(message->userName)).c_str(),
               sizeof(message->userName));
    std::string cpTitle = CAdminText::ToCp932Field(title, "title", sizeof(message->title));
    if (cpTitle.empty())
        throw CAdminError("the title is empty");
    kvCopyText(message->title, cpTitle.c_str(), sizeof(message->title));
    kvCopyText(message->text,
               CAdminText::ToCp932Field(TextWithoutFinalNewline(ReadAll()), "message text",
                                        sizeof(message->text))
                   .c_str(),
               sizeof(message->text));
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    message->posted.seconds = local.tm_sec;
    message->posted.minutes = local.tm_min;
    message->posted.hours = local.tm_hour;
    message->posted.dayOfMonth = local.tm_mday;
    message->posted.month = local.tm_mon;
    message->posted.yearsSince1900 = local.tm_year;

    OpenDatabase();
    uint32_t id = 0;
    if (!kvAdminPostBoardMessage(message.get(), &id))
        CAdminText::Fail("the message cannot be posted");
    char printed[16];
    std::snprintf(printed, sizeof(printed), "%08X", id);
    m_out << "message " << printed << " posted\n";
}

void CAdminTool::Demo(std::vector<std::string> args) {
    ExpectNoMore(args);
    OpenDatabase();
    CDemoSeeder seeder;
    seeder.Seed();
    m_out << "demo groupware created; logins (user name / password):\n";
    for (const auto& login : seeder.Logins())
        m_out << "  " << login.first << " / " << login.second << "\n";
}

void CAdminTool::Dump(std::vector<std::string> args) {
    std::string owner = TakeSingleOption(args, "--owner", false);
    std::string kind = TakeFront(args, "dump needs users, schedules, addresses or board");
    ExpectNoMore(args);
    OpenDatabase();
    CDumpWriter writer(m_out);
    if (kind == "users") {
        writer.Users();
    } else if (kind == "board") {
        writer.Board();
    } else if (kind == "schedules" || kind == "addresses") {
        if (owner.empty())
            throw CAdminError("dump " + kind + " needs --owner NAME");
        std::string cpOwner = CAdminText::ToCp932(owner, "owner");
        if (kind == "schedules")
            writer.Schedules(cpOwner);
        else
            writer.Addresses(cpOwner);
    } else {
        throw CAdminError("unknown dump \"" + kind + "\"");
    }
}

void CAdminTool::Copy(std::vector<std::string> args) {
    std::string target = TakeSingleOption(args, "--to", true);
    const bool quiet = TakeFlag(args, "--quiet");
    ExpectNoMore(args);
    if (target.empty())
        throw CAdminError("--to names no database");
    OpenDatabase();
    char summary[1024] = {};
    CProgressLine progress(m_err, ShowsProgress(quiet), "rows");
    kvAdminSetProgress(
        [](void* line, long long done, long long total) {
            static_cast<CProgressLine*>(line)->Update(
                done, total > 0 ? static_cast<double>(done) / static_cast<double>(total) : -1);
        },
        &progress);
    const int copied = kvAdminCopyTo(target.c_str(), summary, sizeof(summary));
    kvAdminSetProgress(nullptr, nullptr);
    progress.Finish();
    if (!copied)
        CAdminText::Fail("the groupware cannot be copied");
    char source[4096] = {};
    kvAdminDatabasePath(source, sizeof(source));
    m_out << "copied " << summary << " from " << source << "\n";
}

void CAdminTool::Import(const std::string& kind, std::vector<std::string> args) {
    const bool addresses = kind == "addresses";
    if (!addresses && kind != "schedules")
        throw CAdminError("unknown import \"" + kind + "\"");
    std::string owner = TakeSingleOption(args, "--owner", true);
    bool isPublic = TakeFlag(args, "--public");
    bool duplicateCheck = TakeFlag(args, "--duplicate-check");
    bool dryRun = TakeFlag(args, "--dry-run");
    const bool quiet = TakeFlag(args, "--quiet");
    std::string path = TakeFront(args, "import " + kind + " needs a file");
    ExpectNoMore(args);
    // An empty owner would make the entries public, which only --public may do.
    if (owner.empty())
        throw CAdminError("--owner is empty: name the user the entries belong to (--public "
                          "makes them public)");
    std::string cpOwner = CAdminText::ToCp932Field(owner, "owner",
                                                   addresses ? sizeof(kvAddressRecord::owner)
                                                             : sizeof(kvScheduleRecord::owner));

    CTextFile file;
    if (!file.Open(path))
        throw CAdminError("cannot read " + path + ": " + std::strerror(errno));
    OpenDatabase();
    auto user = std::make_unique<kvUserRecord>();
    if (!kvGetUser(cpOwner.c_str(), user.get())) {
        char reason[KV_MONITOR_LINE_SIZE];
        if (kvLastError(reason, sizeof(reason)))
            CAdminText::Fail("the owner cannot be looked up");
        throw CAdminError("the owner \"" + owner + "\" is not a user");
    }

    CImportSession session(
        file, {addresses ? CImportSession::Kind::Addresses : CImportSession::Kind::Schedules,
               cpOwner, isPublic, duplicateCheck, dryRun});
    if (!session.Open())
        throw CAdminError("the " + std::string(addresses ? "address book" : "schedules") +
                          " cannot be opened: " + CAdminText::ToUtf8(session.Failure()));
    CImportSession::Start start = session.Begin();
    if (start == CImportSession::Start::Ready) {
        CProgressLine progress(m_err, ShowsProgress(quiet), "records");
        const double size = static_cast<double>(file.Size());
        CImportSession::Step step;
        do {
            step = session.Next();
            const CImportSummary& done = session.Summary();
            progress.Update(done.added + done.updated + done.checked,
                            size > 0 ? static_cast<double>(session.BytesConsumed()) / size : -1);
        } while (step != CImportSession::Step::End && step != CImportSession::Step::Failed);
    }
    session.Close();
    if (start == CImportSession::Start::OtherKind)
        throw CAdminError(path + " is " +
                          (addresses ? "an iCalendar file: import it with import schedules"
                                     : "a vCard file: import it with import addresses"));
    if (start == CImportSession::Start::NoKnownColumns) {
        std::string notes;
        for (const CImportSummary::CNote& note : session.Summary().Notes())
            notes += "; line " + std::to_string(note.line) + ": " +
                     CAdminText::ToUtf8(session.Summary().NoteText(note));
        throw CAdminError("no column of " + path + " can be imported (" +
                          CAdminText::ToUtf8(session.Summary().Lines().front()) + ")" + notes);
    }
    const char* noun = addresses ? " address" : " schedule";
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
        for (const std::string& line : session.Summary().Lines())
            notes += "\n" + CAdminText::ToUtf8(line);
        throw CAdminError("no record of " + path + " could be read; nothing was stored" + notes);
    }
    if (dryRun)
        m_out << "checked " << session.Summary().checked << noun
              << " records; nothing stored (dry run)\n";
    else
        m_out << "stored " << session.Committed() << noun << " records\n";
    for (const std::string& line : session.Summary().Lines())
        m_out << CAdminText::ToUtf8(line) << "\n";
}

void CAdminTool::Export(const std::string& kind, std::vector<std::string> args) {
    const bool addresses = kind == "addresses";
    if (!addresses && kind != "schedules")
        throw CAdminError("unknown export \"" + kind + "\"");
    std::string owner = TakeSingleOption(args, "--owner", true);
    std::string format = TakeSingleOption(args, "--format", false);
    bool isPublic = TakeFlag(args, "--public");
    const bool quiet = TakeFlag(args, "--quiet");
    std::string path = args.empty() ? std::string() : TakeFront(args, "");
    ExpectNoMore(args);
    if (format.empty())
        format = addresses ? "vcard" : "ical";
    if (format != "outlook" && format != (addresses ? "vcard" : "ical"))
        throw CAdminError("--format for " + kind + " is " + (addresses ? "vcard" : "ical") +
                          " or outlook");
    if (owner.empty())
        throw CAdminError("--owner is empty: name the user whose entries are exported");
    std::string cpOwner = CAdminText::ToCp932(owner, "owner");
    OpenDatabase();

    // Into a file only once every entry was read and written (CExportFile);
    // standard output takes them as they come.
    std::unique_ptr<CExportFile> file =
        path.empty() ? nullptr : std::make_unique<CExportFile>(path);
    std::ostream& text = file ? file->Stream() : m_out;
    COutlookCsvWriter outlook(text);
    long written = 0;
    // How many there are is not known in advance: the count and the rate.
    CProgressLine progress(m_err, ShowsProgress(quiet), "entries");
    if (addresses) {
        CVCardWriter vcard(text);
        if (format == "outlook")
            outlook.BeginAddresses();
        if (!kvOpenAddressBook(cpOwner.c_str(), -1, 0, 0, 0))
            CAdminText::Fail("the address book cannot be read");
        auto record = std::make_unique<kvAddressRecord>();
        while (kvNextAddress(record.get(), 1)) {
            // The book shows the owner's entries and the public ones.
            if ((record->owner[0] == '\0') != isPublic)
                continue;
            if (format == "outlook")
                outlook.Write(*record);
            else
                vcard.Write(*record);
            progress.Update(++written, -1);
        }
        char reason[KV_MONITOR_LINE_SIZE];
        if (kvLastError(reason, sizeof(reason)))
            throw CAdminError("reading the address book stopped after " + std::to_string(written) +
                              " entries: " + CAdminText::ToUtf8(reason));
        kvCloseAddressBook();
    } else {
        CICalendarWriter ical(text);
        if (format == "outlook")
            outlook.BeginSchedules();
        else
            ical.Begin();
        if (!kvOpenSchedules(cpOwner.c_str(), ""))
            CAdminText::Fail("the schedules cannot be read");
        auto record = std::make_unique<kvScheduleRecord>();
        while (kvNextSchedule(record.get(), 1)) {
            if ((record->isPublic != 0) != isPublic)
                continue;
            if (format == "outlook")
                outlook.Write(*record);
            else
                ical.Write(*record);
            progress.Update(++written, -1);
        }
        char reason[KV_MONITOR_LINE_SIZE];
        if (kvLastError(reason, sizeof(reason)))
            throw CAdminError("reading the schedules stopped after " + std::to_string(written) +
                              " entries: " + CAdminText::ToUtf8(reason));
        kvCloseSchedules();
        if (format != "outlook")
            ical.End();
    }
    progress.Finish();
    if (file)
        file->Commit();
    else
        m_out << std::flush;
    if (!path.empty())
        m_err << "exported " << written << (addresses ? " address" : " schedule") << " entries to "
              << path << "\n";
}
