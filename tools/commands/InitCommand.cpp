#include "InitCommand.h"

#include <ostream>

#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CInitCommand::Run(CArguments& args, CTerminal& terminal) {
    args.ExpectNoMore();
    OpenDatabase();
    char path[4096];
    kvAdminDatabasePath(path, sizeof(path));
    terminal.Out() << "database " << path << " is ready\n";
}
