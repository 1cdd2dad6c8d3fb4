#include "ImportsCommand.h"

#include <ctime>
#include <ostream>
#include <string>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

namespace {

// A moment as the desktop's clock says it: 2026-12-10 09:05.
std::string When(long long seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string Line(const kvAdminImport& import) {
    const std::string owner = *import.owner != '\0' ? CAdminText::ToUtf8(import.owner) : "(public)";
    const std::string state = import.undone != 0  ? "taken back " + When(import.undone)
                              : import.ended != 0 ? std::string("ended")
                                                  : std::string("cut short");
    return std::to_string(import.number) + "\t" + When(import.started) + "\t" +
           CAdminText::ToUtf8(import.userName) + "\t" + owner + "\t" +
           (import.kind == KV_KIND_ADDRESS ? "addresses" : "schedules") + "\t" +
           (std::string(import.form) == "delete" ? "(delete: " + std::string(import.options) + ")"
                                                 : CAdminText::Printable(import.file)) +
           "\t" + std::to_string(import.added) + "\t" + std::to_string(import.replaced) + "\t" +
           std::to_string(import.removed) + "\t" + std::to_string(import.skipped) + "\t" + state;
}

const char kHeader[] =
    "import\tstarted\tby\towner\tkind\tfile\tadded\treplaced\tremoved\tskipped\tstate\n";

} // namespace

void CImportsCommand::Run(CArguments& args, CTerminal& terminal) {
    if (args.Peek() == "prune") {
        args.TakeFront("");
        const std::string days = args.TakeSingleOption("--older-than");
        const std::string keep = args.TakeSingleOption("--keep");
        args.ExpectNoMore();
        auto number = [](const std::string& given, const char* what) {
            return given.empty() ? 0LL : CAdminText::PositiveNumber(given, what, 6);
        };
        const long long olderThan = number(days, "number of days");
        const long long kept = number(keep, "number of imports");
        if (olderThan == 0 && kept == 0)
            throw CAdminError("imports prune needs --older-than DAYS or --keep N");
        OpenDatabase();
        long long pruned = 0;
        if (!kvAdminPruneImports(
                olderThan > 0 ? static_cast<long long>(std::time(nullptr)) - olderThan * 86400 : 0,
                static_cast<int>(kept), &pruned))
            CAdminText::Fail("the imports' records cannot be pruned");
        terminal.Out() << "pruned " << pruned << " records of imports\n";
        return;
    }
    const bool show = args.Peek() == "show";
    if (show) {
        args.TakeFront("");
        const std::string given = args.TakeFront("imports show needs the import's number");
        args.ExpectNoMore();
        const int number =
            static_cast<int>(CAdminText::PositiveNumber(given, "import's number", 9));
        OpenDatabase();
        struct CShown {
            int number;
            std::string line;
        } shown{number, std::string()};
        kvAdminListImports(
            nullptr,
            [](void* context, const kvAdminImport* import) {
                auto* found = static_cast<CShown*>(context);
                if (import->number == found->number)
                    found->line = Line(*import) + "\nfile: " + CAdminText::Printable(import->file) +
                                  " (" + std::to_string(import->size) + " bytes, SHA-256 " +
                                  (*import->hash != '\0' ? import->hash : "not taken") + ")\n" +
                                  "read as: " + import->form + "; " + import->options + "\n";
            },
            &shown);
        if (shown.line.empty())
            throw CAdminError("there is no import " + given);
        terminal.Out() << kHeader << shown.line;
        std::ostream& out = terminal.Out();
        if (!kvAdminImportEntries(
                number,
                [](void* context, int action, long long id, const char* now, const char* before) {
                    static const char* const kActions[] = {"", "added", "replaced", "removed"};
                    auto& stream = *static_cast<std::ostream*>(context);
                    stream << (action >= 1 && action <= 3 ? kActions[action] : "?") << "\t" << id
                           << "\t" << CAdminText::ToUtf8(now);
                    if (*before != '\0')
                        stream << "\t(before: " << CAdminText::ToUtf8(before) << ")";
                    stream << "\n";
                },
                &out))
            CAdminText::Fail("the import's entries cannot be read");
        if (!kvAdminImportSkips(
                number,
                [](void* context, long long line, const char* reason) {
                    *static_cast<std::ostream*>(context)
                        << "skipped\tline " << line << "\t" << CAdminText::ToUtf8(reason) << "\n";
                },
                &out))
            CAdminText::Fail("the import's skipped records cannot be read");
        return;
    }
    const std::string owner = args.TakeSingleOption("--owner");
    args.ExpectNoMore();
    OpenDatabase();
    const std::string filter = owner.empty() ? std::string() : CAdminText::ToCp932(owner, "owner");
    terminal.Out() << kHeader;
    std::ostream& out = terminal.Out();
    if (!kvAdminListImports(
            owner.empty() ? nullptr : filter.c_str(),
            [](void* context, const kvAdminImport* import) {
                *static_cast<std::ostream*>(context) << Line(*import) << "\n";
            },
            &out))
        CAdminText::Fail("the imports cannot be read");
}
