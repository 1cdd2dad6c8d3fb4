#pragma once

#include <chrono>
#include <map>
#include <string>

// What a wrong password costs: a failed sign-in (or password change) for a
// name waits before it says so, longer after each failure in a row (half a
// second, doubling up to 8 s), so that guessing is slow; a success starts
// again. The failures are counted here, per process; the embedded engine's
// file counts them too, so that a new process does not start afresh there.
class CSignInThrottle {
public:
    // The wait after the failures-th failure in a row (from 1). $KELVO_SIGNIN_WAIT_MS
    // sets the first wait (tests make it short).
    static std::chrono::milliseconds Wait(int failures);

    // Counts a failure for name; the failures in a row so far.
    int Failed(const std::string& name);
    void Succeeded(const std::string& name) { m_failures.erase(name); }

private:
    std::map<std::string, int> m_failures;
};
