#pragma once

#include "AdminCommand.h"

// import undo N [--force]: takes import N back (the entries it added removed,
// those it replaced or removed put back), refusing where a later import
// changed the same entries unless --force keeps those later changes.
class CImportUndoCommand : public CAdminCommand {
public:
    void Run(CArguments& args, CTerminal& terminal) override;
};
