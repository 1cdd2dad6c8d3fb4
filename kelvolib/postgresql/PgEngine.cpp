#include "PgEngine.h"

#include "PgConnection.h"
#include "PgRoles.h"

const CEngine& CEngine::Server() {
    static const CPgEngine engine;
    return engine;
}

bool CPgEngine::Serves(const std::string& location) const {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::string CPgEngine::Shown(const std::string& location) const {
    return CPgConnection::Redact(location);
}

bool CPgEngine::SignsInPeople(const std::string& location) const {
    return Serves(location) && !CPgRoles::NamesUser(location);
}

CEngine::COpened CPgEngine::Open(const std::string& location, bool, const CSignIn* signIn) const {
    COpened opened;
    auto server = std::make_unique<CPgConnection>();
    if (server->Open(location, opened.error, signIn))
        opened.connection = std::move(server);
    else
        opened.loginRefused = server->LoginRefused();
    return opened;
}
