#pragma once

#include <string>

#include "AdminCommand.h"

// delete addresses|schedules --owner USER [--public] (--all | --id ID... |
// --import N) [--dry-run]: removes entries, recorded like an import so that
// import undo puts them back.
class CDeleteCommand : public CAdminCommand {
public:
    explicit CDeleteCommand(std::string kind) : m_strKind(std::move(kind)) {}
    void Run(CArguments& args, CTerminal& terminal) override;

private:
    std::string m_strKind;
};
