#pragma once

#include "AdminCommand.h"

// copy --to PATH|URI [--quiet]: the whole groupware into an empty database.
class CCopyCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
