#pragma once

#include "AdminCommand.h"

// dump users|schedules|addresses|board [--owner NAME]: what the groupware
// delivers, as tab-separated lines.
class CDumpCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
