#include "ImportUndoCommand.h"

#include <ostream>
#include <string>

#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CImportUndoCommand::Run(CArguments& args, CTerminal& terminal) {
    const bool force = args.TakeFlag("--force");
    const std::string given = args.TakeFront("import undo needs the import's number");
    args.ExpectNoMore();
    const int number = static_cast<int>(CAdminText::PositiveNumber(given, "import's number", 9));
    OpenDatabase();
    char summary[256] = {};
    if (!kvAdminUndoImport(number, force ? 1 : 0, summary, sizeof(summary)))
        CAdminText::Fail("import " + given + " cannot be taken back");
    terminal.Out() << "import " << given << " taken back: " << summary << "\n";
}
