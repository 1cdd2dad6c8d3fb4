#pragma once

#include "Engine.h"

// The embedded engine: every location that is no server's is a file's path.
class CSqliteEngine : public CEngine {
public:
    bool Serves(const std::string& location) const override;
    COpened Open(const std::string& location, bool defaultLocation,
                 const CSignIn* signIn) const override;
};
