#pragma once

#include "AdminCommand.h"

// user add NAME [--reading TEXT] [--group NAME]... [--password TEXT]: a new
// user, the password typed at a prompt or read from standard input.
class CUserAddCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
