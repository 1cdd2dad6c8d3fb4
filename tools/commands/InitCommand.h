#pragma once

#include "AdminCommand.h"

// init: creates an empty groupware database (or finds the one there ready).
class CInitCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
