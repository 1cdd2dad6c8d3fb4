#pragma once

#include "AdminCommand.h"

// user disable NAME / user enable NAME: a user away who cannot sign in (their
// entries stay), and back again.
class CUserEnableCommand : public CAdminCommand {
public:
    explicit CUserEnableCommand(bool enable) : m_bEnable(enable) {}
    void Run(CArguments& args, CTerminal& terminal) override;

private:
    bool m_bEnable;
};
