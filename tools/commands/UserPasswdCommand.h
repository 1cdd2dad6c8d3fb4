#pragma once

#include "AdminCommand.h"

// user passwd NAME: sets a user's password without the old one (prompt or
// standard input).
class CUserPasswdCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
