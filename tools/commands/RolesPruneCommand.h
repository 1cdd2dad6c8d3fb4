#pragma once

#include "AdminCommand.h"

// roles prune: on an office's server, drops the login roles of the
// groupware's office that belong to no current user.
class CRolesPruneCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
