#include "UserListCommand.h"

#include <memory>
#include <ostream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvo.h"

void CUserListCommand::Run(CArguments& args, CTerminal& terminal) {
    args.ExpectNoMore();
    OpenDatabase();
    if (!kvOpenUsers("", nullptr, 0))
        CAdminText::Fail("the users cannot be read");
    auto record = std::make_unique<kvUserRecord>();
    while (kvNextUser(record.get(), 1))
        terminal.Out() << CAdminText::ToUtf8(record->userName) << "\n";
    char reason[KV_MONITOR_LINE_SIZE];
    if (kvLastError(reason, sizeof(reason)))
        throw CAdminError("reading the users stopped: " + CAdminText::ToUtf8(reason));
    kvCloseUsers();
}
