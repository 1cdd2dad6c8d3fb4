#pragma once

#include <ctime>
#include <string>

// Signs the library in as the person a request names (HTTP Basic: the name
// and password it carries), the library checking the password as at the
// desk: on the office's server by connecting as the person's role. The
// server keeps no password: the person signed in last is remembered by a
// salted hash of name and password for a short while, so that a client's
// requests in a row are not each a sign-in; a changed password is another
// hash, and after the while the password is checked again.
class CDavSignIn {
public:
    static constexpr std::time_t kSessionSeconds = 60;

    CDavSignIn();
    // user and password as the client sent them (UTF-8). owner: the person's
    // name in code page 932. False for a wrong name or password (or one
    // that cannot be said in code page 932); failure says why when the check
    // could not be made at all.
    bool SignIn(const std::string& user, const std::string& password, std::string& owner,
                std::string& failure);

private:
    std::string m_strSalt;
    std::string m_strKey; // of the person signed in, empty when none
    std::time_t m_verified = 0;
};
