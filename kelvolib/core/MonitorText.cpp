#include "MonitorText.h"

#include <unordered_map>

#include "Cp932.h"

std::string CMonitorText::Say(const char* utf8Template,
                              std::initializer_list<std::string_view> args) {
    // Templates are string literals: each is converted once. The library's
    // calls are serialised, and so are these.
    static std::unordered_map<const char*, std::string> converted;
    auto found = converted.find(utf8Template);
    if (found == converted.end()) {
        std::string cp932;
        if (!CCp932::FromUtf8(utf8Template, cp932))
            cp932 = utf8Template;
        found = converted.emplace(utf8Template, std::move(cp932)).first;
    }
    const std::string& text = found->second;
    // Every stored entry says a line: nothing is allocated but the line.
    const std::string_view* values = args.begin();
    std::string line;
    line.reserve(text.size() + 32);
    for (size_t i = 0; i < text.size(); ++i) {
        // A "%" is ASCII and never the second byte of a code page 932 character.
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            size_t index = static_cast<size_t>(text[i + 1] - '1');
            if (index < args.size())
                line.append(values[index]);
            ++i;
            continue;
        }
        line += text[i];
        if (CCp932::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            line += text[++i];
    }
    return line;
}

std::string CMonitorText::Verb(const char* what) {
    static const std::string added = Say(u8"追加"), updated = Say(u8"更新");
    return std::string_view(what) == "added" ? added : updated;
}
