#include "CopyCommand.h"

#include <ostream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "ProgressLine.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CCopyCommand::Run(CArguments& args, CTerminal& terminal) {
    std::string target = args.TakeSingleOption("--to", true);
    const bool quiet = args.TakeFlag("--quiet");
    args.ExpectNoMore();
    if (target.empty())
        throw CAdminError("--to names no database");
    OpenDatabase();
    char summary[1024] = {};
    CProgressLine progress(terminal.Err(), terminal.ShowsProgress(quiet), "rows");
    kvAdminSetProgress(
        [](void* line, long long done, long long total) {
            static_cast<CProgressLine*>(line)->Update(
                done, total > 0 ? static_cast<double>(done) / static_cast<double>(total) : -1);
        },
        &progress);
    const int copied = kvAdminCopyTo(target.c_str(), summary, sizeof(summary));
    kvAdminSetProgress(nullptr, nullptr);
    progress.Finish();
    if (!copied)
        CAdminText::Fail("the groupware cannot be copied");
    char source[4096] = {};
    kvAdminDatabasePath(source, sizeof(source));
    terminal.Out() << "copied " << summary << " from " << source << "\n";
}
