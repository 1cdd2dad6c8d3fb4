#include "AdminCommand.h"

#include "kelvoadmin.h"

#include "AdminText.h"

void CAdminCommand::OpenDatabase() {
    if (!kvAdminOpenDatabase())
        CAdminText::Fail("the database cannot be opened");
}
