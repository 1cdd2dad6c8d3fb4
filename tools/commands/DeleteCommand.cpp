#include "DeleteCommand.h"

#include <ostream>
#include <vector>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CDeleteCommand::Run(CArguments& args, CTerminal& terminal) {
    if (m_strKind != "addresses" && m_strKind != "schedules")
        throw CAdminError("delete needs addresses or schedules");
    const bool addresses = m_strKind == "addresses";
    const std::string owner = args.TakeSingleOption("--owner");
    const bool isPublic = args.TakeFlag("--public");
    const bool all = args.TakeFlag("--all");
    const std::vector<std::string> given = args.TakeOption("--id");
    const std::string import = args.TakeSingleOption("--import");
    const bool dryRun = args.TakeFlag("--dry-run");
    args.ExpectNoMore();
    if (isPublic != owner.empty() || (isPublic && !addresses))
        throw CAdminError(addresses ? "delete addresses needs --owner USER or --public"
                                    : "delete schedules needs --owner USER");
    if (int(all) + int(!given.empty()) + int(!import.empty()) != 1)
        throw CAdminError("delete needs one of --all, --id ID... and --import N");
    std::vector<long long> ids;
    for (const std::string& id : given)
        ids.push_back(CAdminText::PositiveNumber(id, "entry ID", 18));
    const int number =
        import.empty() ? 0
                       : static_cast<int>(CAdminText::PositiveNumber(import, "import's number", 9));
    const std::string cp932 = owner.empty() ? std::string() : CAdminText::ToCp932(owner, "owner");
    OpenDatabase();
    long long removed = 0;
    int recorded = 0;
    if (!kvAdminDeleteEntries(addresses ? KV_KIND_ADDRESS : KV_KIND_SCHEDULE, cp932.c_str(),
                              all ? 1 : 0, ids.data(), static_cast<int>(ids.size()), number,
                              dryRun ? 1 : 0, &removed, &recorded))
        CAdminText::Fail("the entries cannot be removed");
    if (dryRun)
        terminal.Out() << removed << " " << m_strKind
                       << " would be removed; nothing removed (dry run)\n";
    else if (recorded == 0)
        terminal.Out() << "no " << m_strKind << " to remove\n";
    else
        terminal.Out() << "removed " << removed << " " << m_strKind << " (import " << recorded
                       << "; import undo " << recorded << " puts them back)\n";
}
