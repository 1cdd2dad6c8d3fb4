#pragma once

#include "AdminCommand.h"

// user remove NAME [--purge]: a user who left, with (or, with --purge,
// without) their private entries.
class CUserRemoveCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
