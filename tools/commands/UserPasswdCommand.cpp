#include "UserPasswdCommand.h"

#include <ostream>

#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CUserPasswdCommand::Run(CArguments& args, CTerminal& terminal) {
    const bool allowWeak = args.TakeFlag("--allow-weak");
    std::string name = args.TakeFront("user passwd needs a user name");
    args.ExpectNoMore();
    std::string cpName = CAdminText::ToCp932(name, "user name");
    const std::string typed = terminal.ReadSecret("new password for " + name + ": ");
    CheckStrength(typed, allowWeak);
    std::string password = CAdminText::SecretToCp932Field(typed, "password", KV_PASSWORD_SIZE);
    OpenDatabase();
    if (!kvAdminSetPassword(cpName.c_str(), password.c_str()))
        CAdminText::Fail("the password of \"" + name + "\" cannot be changed");
    terminal.Out() << "password of " << name << " changed\n";
}
