#pragma once

#include "AdminCommand.h"

// user list: every user name, one a line.
class CUserListCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
