#include "DumpCommand.h"

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "DumpWriter.h"
#include "Terminal.h"

void CDumpCommand::Run(CArguments& args, CTerminal& terminal) {
    std::string owner = args.TakeSingleOption("--owner");
    const bool original = args.TakeFlag("--original");
    std::string kind = args.TakeFront("dump needs users, schedules, addresses or board");
    args.ExpectNoMore();
    OpenDatabase();
    CDumpWriter writer(terminal.Out());
    if (kind == "users") {
        writer.Users();
    } else if (kind == "board") {
        writer.Board();
    } else if (kind == "schedules" || kind == "addresses") {
        if (owner.empty())
            throw CAdminError("dump " + kind + " needs --owner NAME");
        std::string cpOwner = CAdminText::ToCp932(owner, "owner");
        if (kind == "schedules")
            writer.Schedules(cpOwner, original);
        else
            writer.Addresses(cpOwner, original);
    } else {
        throw CAdminError("unknown dump \"" + kind + "\"");
    }
}
