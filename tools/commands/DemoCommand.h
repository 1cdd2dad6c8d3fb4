#pragma once

#include "AdminCommand.h"

// demo: fills an empty database with a demo groupware and prints its logins.
class CDemoCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
