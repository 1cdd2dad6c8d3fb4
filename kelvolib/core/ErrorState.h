#pragma once

#include <string>

// The reason of the last failure on this thread, for callers that report it
// (kelvo-admin); the viewer reads reasons from the monitor queue instead.
class CErrorState {
public:
    static void Set(const std::string& reason) { Reason() = reason; }
    static void Clear() { Reason().clear(); }
    static const std::string& Get() { return Reason(); }

private:
    static std::string& Reason() {
        thread_local std::string reason;
        return reason;
    }
};
