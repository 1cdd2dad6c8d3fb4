#include "PgTransport.h"

#include <cstdlib>
#include <libpq-fe.h>
#include <sys/stat.h>

namespace {

// The value of keyword in options, else of the environment's variable.
std::string Setting(const PQconninfoOption* options, const std::string& keyword,
                    const char* variable) {
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option)
        if (keyword == option->keyword && option->val != nullptr && *option->val != '\0')
            return option->val;
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string HomeFile(const char* name) {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/" + name : std::string();
}

// Whether any host of a list ("a,b") is reached over TCP rather than a socket.
bool OverTcp(const std::string& hosts, const std::string& addresses) {
    if (!addresses.empty())
        return true;
    if (hosts.empty())
        return false; // libpq's default: the local socket
    size_t start = 0;
    for (;;) {
        size_t comma = hosts.find(',', start);
        std::string host = hosts.substr(start, comma == std::string::npos ? comma : comma - start);
        if (host.empty() || (host[0] != '/' && host[0] != '@'))
            return true;
        if (comma == std::string::npos)
            return false;
        start = comma + 1;
    }
}

} // namespace

bool CPgTransport::Secure(const std::string& uri, bool signIn, Settings& settings,
                          std::string& error) {
    settings.clear();
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &parseError);
    PQfreemem(parseError);
    if (options == nullptr)
        return true; // libpq says what is wrong with it when it connects
    const std::string passfile = Setting(options, "passfile", "PGPASSFILE");
    const bool password = signIn || !Setting(options, "password", "PGPASSWORD").empty() ||
                          IsFile(passfile.empty() ? HomeFile(".pgpass") : passfile);
    const bool tcp =
        OverTcp(Setting(options, "host", "PGHOST"), Setting(options, "hostaddr", "PGHOSTADDR"));
    const std::string mode = Setting(options, "sslmode", "PGSSLMODE");
    const std::string binding = Setting(options, "channel_binding", "PGCHANNELBINDING");
    const std::string root = Setting(options, "sslrootcert", "PGSSLROOTCERT");
    PQconninfoFree(options);
    if (!tcp || !password)
        return true;
    if (!mode.empty() && mode != "verify-full" && mode != "verify-ca") {
        // What to write first: a long URI before it may leave room for little more.
        error = "sslmode=" + mode +
                " checks no certificate; write sslmode=verify-full and sslrootcert=PATH (the "
                "office's certificate authority): a password goes only to a checked server";
        return false;
    }
    const std::string defaultRoot = HomeFile(".postgresql/root.crt");
    if (!root.empty() && !IsFile(root)) {
        error = "sslrootcert=" + root +
                " names no file; it holds the office's certificate authority, which the "
                "server's certificate is checked against";
        return false;
    }
    if (root.empty() && !IsFile(defaultRoot)) {
        error = "name the office's certificate authority with sslrootcert=PATH, or put it in " +
                (defaultRoot.empty() ? std::string("~/.postgresql/root.crt") : defaultRoot) +
                ": without it the server's certificate cannot be checked";
        return false;
    }
    if (mode.empty())
        settings.emplace_back("sslmode", "verify-full");
    // With the certificate checked, the SCRAM exchange is bound to the TLS
    // channel, and libpq sends no clear-text password at all.
    if (binding.empty())
        settings.emplace_back("channel_binding", "require");
    return true;
}
