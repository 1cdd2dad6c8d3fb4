#pragma once

#include <memory>
#include <string>

#include "Connection.h"

// A storage engine as the library reaches it: which locations it serves, how
// it shows them, who checks a person's password, and a connection to it. Two
// engines, each made in its own folder (sqlite/ for the embedded file,
// postgresql/ for an office's server); nothing else names one.
class CEngine {
public:
    // What opening a connection found.
    struct COpened {
        std::unique_ptr<CConnection> connection; // null when it could not be opened
        std::string error;                       // why not (never with a password)
        bool loginRefused = false;               // the server refused the person's name or password
    };

    virtual ~CEngine() = default;

    // The engine that serves location: the server's for its URIs, else the file's.
    static const CEngine& For(const std::string& location);
    static const CEngine& File();   // sqlite/
    static const CEngine& Server(); // postgresql/

    // Whether location names a database of this engine.
    virtual bool Serves(const std::string& location) const = 0;
    // location as a message may show it (a URI without its password).
    virtual std::string Shown(const std::string& location) const { return location; }
    // Whether the engine's server checks a person's password itself (and a
    // password is changed by signing in as the person); the embedded file's
    // verifiers are checked by the library.
    virtual bool ChecksPasswords() const { return false; }
    // Whether people open location by signing in as themselves: a server whose
    // URI names no role of its own. Until someone signs in, nothing is opened.
    virtual bool SignsInPeople(const std::string& location) const {
        (void)location;
        return false;
    }
    // Opens location (the default one, whose folder is made private, when
    // defaultLocation), as signIn's person when given.
    virtual COpened Open(const std::string& location, bool defaultLocation,
                         const CSignIn* signIn) const = 0;
};
