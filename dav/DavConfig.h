#pragma once

#include <string>

#include "DavServer.h"

// kelvo-dav's configuration file (/etc/kelvo/kelvo-dav.conf in the package):
// lines of "name = value", blank lines and lines beginning with "#" saying
// nothing. The names: listen (a numeric address), port, certificate and key
// (PEM files). The groupware is named where the library looks (kelvo.conf).
class CDavConfig {
public:
    struct CSettings {
        std::string address;
        int port = -1;
        std::string certificate; // paths
        std::string key;
    };
    // False, with error set, for a file that cannot be read or a line that
    // is no setting of these (never passed over).
    static bool Read(const std::string& path, CSettings& settings, std::string& error);
    // A port's text as a number, or -1.
    static int Port(const std::string& text);
};
