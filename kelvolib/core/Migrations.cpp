#include "Migrations.h"

#include "Database.h"
#include "UserStore.h"

bool CMigrations::Run(CDatabase& db, int from) {
    // Version 4: passwords, kept as text until then, become verifiers (and,
    // on a server, logins).
    if (from < 4 && !CUserStore(db, db.Monitor()).ConvertPasswords())
        return false;
    return true;
}
