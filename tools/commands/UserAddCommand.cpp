#include "UserAddCommand.h"

#include <cstring>
#include <memory>
#include <ostream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CUserAddCommand::Run(CArguments& args, CTerminal& terminal) {
    std::string reading = args.TakeSingleOption("--reading");
    std::vector<std::string> groups = args.TakeOption("--group");
    std::vector<std::string> passwords = args.TakeOption("--password");
    const bool allowWeak = args.TakeFlag("--allow-weak");
    std::string name = args.TakeFront("user add needs a user name");
    args.ExpectNoMore();
    if (passwords.size() > 1)
        throw CAdminError("--password is given more than once");
    if (groups.size() > KV_GROUP_COUNT)
        throw CAdminError("a user has at most " + std::to_string(KV_GROUP_COUNT) + " groups");

    auto record = std::make_unique<kvUserRecord>();
    std::memset(record.get(), 0, sizeof(*record));
    std::string cpName = CAdminText::ToCp932Field(name, "user name", sizeof(record->userName));
    if (cpName.empty())
        throw CAdminError("the user name is empty");
    kvCopyText(record->userName, cpName.c_str(), sizeof(record->userName));
    kvCopyText(record->reading,
               CAdminText::ToCp932Field(reading, "reading", sizeof(record->reading)).c_str(),
               sizeof(record->reading));
    for (size_t i = 0; i < groups.size(); ++i)
        kvCopyText(record->groups[i],
                   CAdminText::ToCp932Field(groups[i], "group", sizeof(record->groups[i])).c_str(),
                   sizeof(record->groups[i]));
    if (!passwords.empty())
        terminal.Err() << "kelvo-admin: warning: --password shows the password to every user of "
                          "this machine (ps); type it at the prompt or give it on standard input\n";
    std::string password =
        passwords.empty() ? terminal.ReadSecret("password for " + name + ": ") : passwords.front();
    CheckStrength(password, allowWeak);
    kvCopyText(
        record->password,
        CAdminText::SecretToCp932Field(password, "password", sizeof(record->password)).c_str(),
        sizeof(record->password));
    OpenDatabase();
    if (!kvAdminAddUser(record.get()))
        CAdminText::Fail("user \"" + name + "\" cannot be added");
    terminal.Out() << "user " << name << " added\n";
}
