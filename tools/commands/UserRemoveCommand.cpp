#include "UserRemoveCommand.h"

#include <ostream>

#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CUserRemoveCommand::Run(CArguments& args, CTerminal& terminal) {
    const bool purge = args.TakeFlag("--purge");
    std::string name = args.TakeFront("user remove needs a user name");
    args.ExpectNoMore();
    std::string cpName = CAdminText::ToCp932(name, "user name");
    OpenDatabase();
    char entries[256] = {};
    if (!kvAdminRemoveUser(cpName.c_str(), purge ? 1 : 0, entries, sizeof(entries)))
        CAdminText::Fail("user \"" + name + "\" cannot be removed");
    // The summary's counts, as the library spells them for nothing kept.
    if (purge || std::string(entries) == "0 schedules and 0 addresses")
        terminal.Out() << "user " << name << " removed, with " << entries << "\n";
    else
        terminal.Out() << "user " << name << " removed; " << entries
                       << " are kept, owned by no user (dump --owner " << name
                       << " shows them; user remove " << name << " --purge removes them)\n";
}
