#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The monitor's lines are read by the people using the viewer: they are
// written in Japanese. A line is a UTF-8 template (converted to code page 932
// once) with %1 to %9 standing for code page 932 texts (names, titles,
// reasons, counts).
class CMonitorText {
public:
    static std::string Say(const char* utf8Template,
                           std::initializer_list<std::string_view> args = {});
    // The word for what a write did: "added" or "updated".
    static std::string Verb(const char* what);
};
