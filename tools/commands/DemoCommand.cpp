#include "DemoCommand.h"

#include <ostream>

#include "Arguments.h"
#include "DemoSeeder.h"
#include "Terminal.h"

void CDemoCommand::Run(CArguments& args, CTerminal& terminal) {
    args.ExpectNoMore();
    OpenDatabase();
    CDemoSeeder seeder;
    seeder.Seed();
    terminal.Out() << "demo groupware created; logins (user name / password):\n";
    for (const auto& login : seeder.Logins())
        terminal.Out() << "  " << login.first << " / " << login.second << "\n";
}
