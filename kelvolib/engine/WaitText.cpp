#include "WaitText.h"

std::string CWaitText::Seconds(long long milliseconds) {
    // Tenths are shown only where a bound has them (the tests' short ones).
    const long long tenths = (milliseconds + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return text + " s";
}

std::string CWaitText::ServerSilent(long long milliseconds) {
    return "the server did not answer within " + Seconds(milliseconds);
}

std::string CWaitText::LockHeld(long long milliseconds) {
    return "another writer did not release the lock within " + Seconds(milliseconds);
}

std::string CWaitText::IdleEnded(long long milliseconds) {
    return "this program did not go on within " + Seconds(milliseconds) +
           " inside a transaction, and the server ended its session";
}
