#include "ImportUndoCommand.h"

#include <ostream>
#include <string>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CImportUndoCommand::Run(CArguments& args, CTerminal& terminal) {
    const bool force = args.TakeFlag("--force");
    const std::string given = args.TakeFront("import undo needs the import's number");
    args.ExpectNoMore();
    if (given.empty() || given.size() > 9 ||
        given.find_first_not_of("0123456789") != std::string::npos || std::stoi(given) <= 0)
        throw CAdminError("\"" + given + "\" is no import's number");
    OpenDatabase();
    char summary[256] = {};
    if (!kvAdminUndoImport(std::stoi(given), force ? 1 : 0, summary, sizeof(summary)))
        CAdminText::Fail("import " + given + " cannot be taken back");
    terminal.Out() << "import " << given << " taken back: " << summary << "\n";
}
