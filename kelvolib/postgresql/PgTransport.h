#pragma once

#include <string>
#include <utility>
#include <vector>

// Where a connection may send a password: only to a server whose certificate
// was checked against the office's certificate authority. Over TCP a
// connection that sends one (a person's sign-in, or a URI, PGPASSWORD or
// password file that holds one) is made with sslmode=verify-full unless the URI
// says verify-ca, and with channel binding required unless the URI says
// otherwise; a URI that asks for less is refused. A Unix socket, local to the
// server, needs none of it.
class CPgTransport {
public:
    using Settings = std::vector<std::pair<std::string, std::string>>;

    // Checks uri (with the libpq settings of the environment) for a
    // connection that signs someone in when signIn. True with the settings to
    // add (libpq keywords and values, which the URI's own override), else
    // false with why not and what to write instead.
    static bool Secure(const std::string& uri, bool signIn, Settings& settings, std::string& error);
};
