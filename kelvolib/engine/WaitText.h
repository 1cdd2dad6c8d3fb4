#pragma once

#include <string>

// One wording for every wait that ran out, on both engines, with its bound:
// "... did not ... within N s". Messages stay ASCII, as the engines' reasons.
class CWaitText {
public:
    // A server that said nothing for that long: no answer, no
    // acknowledgement of what was sent, no handshake.
    static std::string ServerSilent(long long milliseconds);
    // Another writer kept the lock this one waited for.
    static std::string LockHeld(long long milliseconds);
    // The server ended this session, which kept a transaction open and said
    // nothing for that long (a stopped or cut-off program).
    static std::string IdleEnded(long long milliseconds);
    // "15 s", "1.5 s", "0.3 s".
    static std::string Seconds(long long milliseconds);
};
