#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "Terminal.h"

class CAdminCommand;
class CArguments;

// kelvo-admin: the administrator's command line over the groupware library.
// Reads the options that come before a command (--database, --help,
// --version), finds the command (commands/, one class each) and runs it.
// Texts on the command line and the terminal are UTF-8; the groupware keeps
// code page 932.
class CAdminTool {
public:
    CAdminTool(std::istream& in, std::ostream& out, std::ostream& err) : m_terminal(in, out, err) {}

    // Runs one command line (without the program name); returns the exit status.
    int Run(const std::vector<std::string>& args);

private:
    void Dispatch(CArguments& args);
    // The command that args begin with (taken from them); throws for none.
    static std::unique_ptr<CAdminCommand> Command(CArguments& args);

    CTerminal m_terminal;
};
