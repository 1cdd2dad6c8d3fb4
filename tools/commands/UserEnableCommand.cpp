#include "UserEnableCommand.h"

#include <ostream>

#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

void CUserEnableCommand::Run(CArguments& args, CTerminal& terminal) {
    const char* verb = m_bEnable ? "enable" : "disable";
    std::string name = args.TakeFront(std::string("user ") + verb + " needs a user name");
    args.ExpectNoMore();
    std::string cpName = CAdminText::ToCp932(name, "user name");
    OpenDatabase();
    if (!kvAdminEnableUser(cpName.c_str(), m_bEnable ? 1 : 0))
        CAdminText::Fail("user \"" + name + "\" cannot be " + verb + "d");
    terminal.Out() << "user " << name << (m_bEnable ? " can sign in again\n" : " cannot sign in\n");
}
