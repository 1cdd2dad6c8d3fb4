#pragma once

#include <string>

// SASLprep (RFC 4013) of a UTF-8 password, as PostgreSQL's SCRAM client
// applies it before hashing: non-ASCII spaces become spaces, characters
// "commonly mapped to nothing" go, the rest is normalised to NFKC (by ICU).
// A text that holds a prohibited character (a control, private use...) is
// used as it is, as PostgreSQL's client does.
class CSaslPrep {
public:
    static std::string Prepare(const std::string& utf8);
};
