#include "ColumnMapping.h"

namespace {

std::string Trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos)
        return std::string();
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

} // namespace

bool CColumnMapping::Parse(const std::string& text, CRecordReader::CMapping& mapping,
                           std::string& why) {
    mapping.clear();
    size_t number = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3); // a byte order mark an editor wrote
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        // The field names hold no '=': the last one parts header and field.
        const size_t equals = line.rfind('=');
        const std::string header =
            equals == std::string::npos ? line : Trimmed(line.substr(0, equals));
        if (equals == std::string::npos || header.empty()) {
            why = "line " + std::to_string(number) + " is not \"header = field\"";
            return false;
        }
        std::string field = Trimmed(line.substr(equals + 1));
        if (field == "-")
            field.clear();
        mapping.emplace_back(header, field);
    }
    return true;
}

std::string CColumnMapping::Text(const CRecordReader::CMapping& mapping) {
    std::string text = "# header = field (- for not imported)\n";
    for (const auto& [header, field] : mapping)
        text += header + " = " + (field.empty() ? "-" : field) + "\n";
    return text;
}
