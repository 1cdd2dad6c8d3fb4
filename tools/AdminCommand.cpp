#include "AdminCommand.h"

#include "AdminText.h"
#include "kelvoadmin.h"

void CAdminCommand::OpenDatabase() {
    if (!kvAdminOpenDatabase())
        CAdminText::Fail("the database cannot be opened");
}
