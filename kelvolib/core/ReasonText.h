#pragma once

#include <string>

// The library's reasons as a person reads them. The library says them in
// English (kelvo-admin's scripts and logs read them so); under a Japanese
// locale (LC_ALL, else LC_MESSAGES, else LANG beginning with "ja") the
// reasons the viewer and the monitor show are said in Japanese: each known
// reason's form is matched and said again, its names kept, the reason given
// after a colon said again in turn. A reason of no known form (the engine's
// own words) stays as it is.
class CReasonText {
public:
    // Whether reasons are said in Japanese in this process's locale.
    static bool Japanese();
    // reason (code page 932) as the locale says it.
    static std::string ForPerson(const std::string& reason);
    // reason in Japanese, whatever the locale (code page 932).
    static std::string InJapanese(const std::string& reason);
};
