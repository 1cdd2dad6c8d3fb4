#pragma once

#include "AdminCommand.h"

// board post --user NAME --title TEXT [--reply-to ID]: posts standard input
// to the board.
class CBoardPostCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
