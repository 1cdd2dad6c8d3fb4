#pragma once

#include <string>

// Passwords are kept only as SCRAM-SHA-256 verifiers (RFC 5802, RFC 7677) in
// the text form PostgreSQL stores for a role:
//   SCRAM-SHA-256$<iterations>:<salt>$<StoredKey>:<ServerKey>
// so that one verifier signs a person in on either engine: the embedded one
// checks it here, a server checks it itself when the person connects.
class CPasswordVerifier {
public:
    // PBKDF2 rounds of a new verifier: RFC 7677's count and PostgreSQL's own,
    // which the server also uses for its mock exchange with a name that is no
    // role. So a wrong name costs a sign-in as much as a wrong password, on
    // either engine.
    static constexpr int kIterations = 4096;

    // A verifier of password (code page 932), with a fresh random salt. False
    // when no random salt can be had.
    static bool Make(const std::string& cp932Password, std::string& verifier);
    // The verifier of password with the rounds and salt of another one
    // ("4096:<salt>"); false when they are not so.
    static bool MakeWith(const std::string& cp932Password, const std::string& roundsAndSalt,
                         std::string& verifier);
    // Whether password matches verifier. A text that is not a verifier matches
    // nothing; the work done is that of a real check, so an unknown user
    // costs the same time as a wrong password.
    static bool Check(const std::string& verifier, const std::string& cp932Password);
    static bool IsVerifier(const std::string& text);
    // New passwords may hold no control character.
    static bool HasControl(const std::string& cp932Password);

    // The bytes a SCRAM client (libpq) hashes for password: its UTF-8 form,
    // prepared with SASLprep as PostgreSQL's client prepares it. The library
    // hands these bytes to libpq, so both sides hash the same text.
    static std::string ScramInput(const std::string& cp932Password);
};
