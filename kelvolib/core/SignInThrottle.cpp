#include "SignInThrottle.h"

#include <algorithm>
#include <cstdlib>

std::chrono::milliseconds CSignInThrottle::Wait(int failures) {
    const char* set = std::getenv("KELVO_SIGNIN_WAIT_MS");
    const long long first = set != nullptr && *set != '\0' ? std::atoll(set) : 500;
    // Doubling four times: the fifth failure in a row and every one after wait 16 times the first.
    const int doublings = std::min(std::max(failures, 1) - 1, 4);
    return std::chrono::milliseconds(std::max(0LL, first) << doublings);
}

int CSignInThrottle::Failed(const std::string& name) {
    return ++m_failures[name];
}
