#include "AdminTool.h"

#include <cstdlib>
#include <new>
#include <ostream>

#include "AdminCommand.h"
#include "AdminError.h"
#include "Arguments.h"
#include "BoardPostCommand.h"
#include "CopyCommand.h"
#include "DeleteCommand.h"
#include "DemoCommand.h"
#include "DumpCommand.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "ImportUndoCommand.h"
#include "ImportsCommand.h"
#include "InitCommand.h"
#include "OutputBuffer.h"
#include "RolesPruneCommand.h"
#include "UserAddCommand.h"
#include "UserEnableCommand.h"
#include "UserListCommand.h"
#include "UserPasswdCommand.h"
#include "UserRemoveCommand.h"
#include "kelvo.h"
#include "kelvoadmin.h"

namespace {

const char kUsage[] =
    "usage: kelvo-admin [--database PATH|URI] COMMAND\n"
    "       kelvo-admin --help | --version\n"
    "\n"
    "commands:\n"
    "  init                                  create an empty groupware database\n"
    "  user add NAME [--reading TEXT] [--group NAME]... [--password TEXT] [--allow-weak]\n"
    "                                        add a user (password at a prompt that does not\n"
    "                                        echo, or from standard input; --password is\n"
    "                                        for scripts only: ps shows it; at least 8\n"
    "                                        characters unless --allow-weak)\n"
    "  user passwd NAME [--allow-weak]       set a password (prompt or standard input)\n"
    "  user list                             list the user names\n"
    "  user remove NAME [--purge]            remove a user (and, with --purge, their private\n"
    "                                        entries; else they are kept, owned by no user)\n"
    "  user disable NAME | user enable NAME  a user who cannot sign in for now, and back\n"
    "  roles prune                           drop a server's logins of this office that\n"
    "                                        belong to no current user\n"
    "  board post --user NAME --title TEXT [--reply-to ID]\n"
    "                                        post standard input to the board (ID in hex)\n"
    "  import addresses|schedules --owner USER [--public] [--duplicate-check]\n"
    "         [--dry-run [--format tsv]] [--map FILE] [--quiet] FILE\n"
    "                                        import an Outlook export or another table (tab- or\n"
    "                                        comma-separated, code page 932, UTF-8 or UTF-16),\n"
    "                                        a vCard or LDIF file (addresses) or an iCalendar\n"
    "                                        file (schedules), and summarise it; --map says\n"
    "                                        where a table's columns go (\"header = field\" a\n"
    "                                        line); --dry-run stores nothing and says per\n"
    "                                        record what would be added, replaced (the fields\n"
    "                                        that change) or skipped (--format tsv: as rows)\n"
    "  imports [--owner USER]                list the recorded imports (of USER's entries or\n"
    "                                        run by USER): who, whose, which file, what each did\n"
    "  imports show N                        what import N did, entry by entry\n"
    "  imports prune [--older-than DAYS] [--keep N]\n"
    "                                        remove the records older than DAYS, or beyond\n"
    "                                        each person's newest N (no longer taken back)\n"
    "  import undo N [--force]               take import N back: what it added removed, what\n"
    "                                        it replaced or removed put back; --force keeps\n"
    "                                        what a later import changed of the same entries\n"
    "  delete addresses|schedules (--owner USER | --public) (--all | --id ID... | --import N)\n"
    "         [--dry-run]                    remove entries (all, by ID, or those import N\n"
    "                                        added), recorded like an import: import undo puts\n"
    "                                        them back\n"
    "  export addresses --owner USER [--public] [--format vcard|ldif|google|outlook] [--encoding "
    "E]\n"
    "         [--quiet] [FILE]\n"
    "  export schedules --owner USER [--public] [--format ical|outlook] [--encoding E]\n"
    "         [--quiet] [FILE]\n"
    "                                        write the owner's private entries (--public: the\n"
    "                                        public ones) as vCard 4.0 or iCalendar (UTF-8),\n"
    "                                        or as Outlook's comma-separated text (code page\n"
    "                                        932, or --encoding utf-8), to FILE or standard\n"
    "                                        output, with what each entry keeps beside it\n"
    "  demo                                  fill an empty database with a demo groupware\n"
    "  dump users|schedules|addresses|board [--owner NAME] [--original]\n"
    "                                        print what the groupware delivers (--original:\n"
    "                                        and what each entry keeps beside it)\n"
    "  copy --to PATH|URI [--quiet]          copy the whole groupware into an empty database\n"
    "\n"
    "import, export and copy show their progress on standard error when it is a\n"
    "terminal; --quiet turns that off.\n"
    "\n"
    "The database is PATH (an SQLite file) or URI (postgresql://...), else\n"
    "$KELVO_DATABASE, else $XDG_DATA_HOME/kelvo/groupware.db.\n";

} // namespace

int CAdminTool::Run(const std::vector<std::string>& args) {
    try {
        CArguments arguments(args);
        Dispatch(arguments);
        // Whatever a command printed reached standard output, or it failed.
        m_terminal.Out().flush();
        COutputBuffer::Check(m_terminal.Out(), "standard output");
        return 0;
    } catch (const CAdminError& error) {
        m_terminal.Err() << "kelvo-admin: " << error.what() << "\n";
    } catch (const std::bad_alloc&) {
        // Whatever was committed stays; the rest is said, not aborted on.
        m_terminal.Err() << "kelvo-admin: out of memory; what was committed before stays stored\n";
    }
    return 1;
}

void CAdminTool::Dispatch(CArguments& args) {
    const std::vector<std::string> databases = args.TakeOption("--database");
    if (databases.size() > 1)
        throw CAdminError("--database is given more than once");
    // An empty one (a script's variable that held nothing) is no default.
    if (!databases.empty() && databases.front().empty())
        throw CAdminError("--database is empty: name a database (a file or a postgresql:// URI)");
    const std::string database = databases.empty() ? std::string() : databases.front();
    if (!database.empty()) {
        setenv("KELVO_DATABASE", database.c_str(), 1);
        std::string shown(database.size() + 1, '\0');
        if (kvAdminShownLocation(database.c_str(), shown.data(), static_cast<int>(shown.size())) &&
            shown.c_str() != database)
            m_terminal.Err() << "kelvo-admin: warning: --database holds a password, which every "
                                "user of this machine can see (ps); put it in ~/.pgpass (mode "
                                "0600) or a service file (~/.pg_service.conf) instead\n";
    }
    const std::string first = args.Peek();
    if (first == "--version") {
        args.TakeFront("");
        args.ExpectNoMore();
        int library = kvVersion();
        m_terminal.Out() << "kelvo-admin " << KELVO_VERSION << " (backend library "
                         << (library >> 16) << "." << (library & 0xFFFF) << ")\n";
        return;
    }
    if (args.Empty())
        throw CAdminError("no command given; see kelvo-admin --help");
    if (first == "--help" || first == "-h") {
        m_terminal.Out() << kUsage;
        return;
    }
    Command(args)->Run(args, m_terminal);
}

std::unique_ptr<CAdminCommand> CAdminTool::Command(CArguments& args) {
    const std::string command = args.TakeFront("no command given");
    if (command == "init")
        return std::make_unique<CInitCommand>();
    if (command == "user") {
        const std::string sub =
            args.TakeFront("user needs add, passwd, list, remove, disable or enable");
        if (sub == "add")
            return std::make_unique<CUserAddCommand>();
        if (sub == "passwd")
            return std::make_unique<CUserPasswdCommand>();
        if (sub == "list")
            return std::make_unique<CUserListCommand>();
        if (sub == "remove")
            return std::make_unique<CUserRemoveCommand>();
        if (sub == "disable" || sub == "enable")
            return std::make_unique<CUserEnableCommand>(sub == "enable");
        throw CAdminError("unknown user command \"" + sub + "\"");
    }
    if (command == "roles") {
        const std::string sub = args.TakeFront("roles needs prune");
        if (sub != "prune")
            throw CAdminError("unknown roles command \"" + sub + "\"");
        return std::make_unique<CRolesPruneCommand>();
    }
    if (command == "board") {
        const std::string sub = args.TakeFront("board needs post");
        if (sub != "post")
            throw CAdminError("unknown board command \"" + sub + "\"");
        return std::make_unique<CBoardPostCommand>();
    }
    if (command == "import") {
        const std::string what = args.TakeFront("import needs addresses, schedules or undo");
        if (what == "undo")
            return std::make_unique<CImportUndoCommand>();
        return std::make_unique<CImportCommand>(what);
    }
    if (command == "imports")
        return std::make_unique<CImportsCommand>();
    if (command == "delete")
        return std::make_unique<CDeleteCommand>(
            args.TakeFront("delete needs addresses or schedules"));
    if (command == "export")
        return std::make_unique<CExportCommand>(
            args.TakeFront("export needs addresses or schedules"));
    if (command == "demo")
        return std::make_unique<CDemoCommand>();
    if (command == "dump")
        return std::make_unique<CDumpCommand>();
    if (command == "copy")
        return std::make_unique<CCopyCommand>();
    throw CAdminError("unknown command \"" + command + "\"; see kelvo-admin --help");
}
