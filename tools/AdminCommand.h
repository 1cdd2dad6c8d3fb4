#pragma once

#include <string>

class CArguments;
class CTerminal;

// One of kelvo-admin's commands: it takes its options and words from the
// arguments that follow its name, does its work through the library, and
// says what it did on the terminal. A failure throws CAdminError (standard
// error, exit status 1).
class CAdminCommand {
public:
    virtual ~CAdminCommand() = default;
    virtual void Run(CArguments& args, CTerminal& terminal) = 0;

protected:
    // Opens the configured database (creating or upgrading it); throws when
    // it cannot be used.
    static void OpenDatabase();
    // Throws for a new password (UTF-8) shorter than people may choose, unless
    // the administrator allows it (the demo's, a shared kiosk's).
    static void CheckStrength(const std::string& password, bool allowWeak);
};
