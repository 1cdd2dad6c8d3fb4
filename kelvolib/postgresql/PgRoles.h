#pragma once

#include <string>

// How groupware users become login roles of the office server. Role names are
// server-wide, so each office's roles carry the office's tag: the first eight
// hex digits of SHA-256 over its database and schema names. A user name that
// is 1 to 40 lowercase ASCII letters, digits or underscores is kept readable
// ("kv<tag>_u_guest09"); any other name (code page 932, up to its 99 bytes)
// becomes 40 hex digits of its SHA-256 ("kv<tag>_h_..."). Both forms stay
// within the server's 63 bytes, and the two prefixes never meet.
class CPgRoles {
public:
    // The office's tag for uri (its database and the first schema of the
    // search path in its options, else "public"). False when uri names no
    // database.
    static bool OfficeTag(const std::string& uri, std::string& tag, std::string& error);
    static std::string RoleName(const std::string& tag, const std::string& cp932UserName);
    // The office's group role, which every person's role is a member of.
    static std::string GroupRole(const std::string& tag);
    // Whether uri signs in as a role it names itself (the administrator's);
    // otherwise people sign in as themselves.
    static bool NamesUser(const std::string& uri);
    // The schema that uri's options put first on the search path ("public" if none).
    static std::string SchemaOf(const std::string& uri);
    // Whether uri's options set the server setting name.
    static bool OptionsMention(const std::string& uri, const std::string& name);
    // name as a quoted SQL identifier.
    static std::string Quote(const std::string& name);
};
