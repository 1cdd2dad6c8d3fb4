#pragma once

#include "Engine.h"

// An office's PostgreSQL server, named by a postgresql:// (or postgres://)
// URI: as the administrator when the URI names a role, else as each person
// signed in (PgRoles.h).
class CPgEngine : public CEngine {
public:
    bool Serves(const std::string& location) const override;
    std::string Shown(const std::string& location) const override;
    bool ChecksPasswords() const override { return true; }
    bool SignsInPeople(const std::string& location) const override;
    COpened Open(const std::string& location, bool defaultLocation,
                 const CSignIn* signIn) const override;
};
