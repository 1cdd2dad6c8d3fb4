#pragma once

#include "AdminCommand.h"

// imports [--owner USER] and imports show N: the recorded imports (who ran
// each, on whose entries, from which file, what it did in counts), and what
// one import did entry by entry.
class CImportsCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
