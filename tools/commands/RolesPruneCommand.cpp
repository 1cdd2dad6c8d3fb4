#include "RolesPruneCommand.h"

#include <ostream>

#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CRolesPruneCommand::Run(CArguments& args, CTerminal& terminal) {
    args.ExpectNoMore();
    // Not OpenDatabase: a groupware that former sign-ins keep from being made
    // could not be opened.
    char dropped[64] = {};
    if (!kvAdminPruneLogins(dropped, sizeof(dropped)))
        CAdminText::Fail("the sign-ins cannot be pruned");
    terminal.Out() << "removed " << dropped << " of no current user\n";
}
