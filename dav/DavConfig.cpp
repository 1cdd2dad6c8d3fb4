#include "DavConfig.h"

#include <fstream>

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

int CDavConfig::Port(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int port = std::stoi(text);
    return port <= 65535 ? port : -1;
}

bool CDavConfig::Read(const std::string& path, CSettings& settings, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        const std::string name = Trimmed(line.substr(0, equals));
        const std::string value =
            equals == std::string::npos ? "" : Trimmed(line.substr(equals + 1));
        const std::string where = path + " line " + std::to_string(number);
        if (equals == std::string::npos || value.empty()) {
            error = where + " is no \"name = value\"";
            return false;
        }
        if (name == "listen") {
            settings.address = value;
        } else if (name == "port") {
            settings.port = Port(value);
            if (settings.port < 0) {
                error = where + ": not a port: " + value;
                return false;
            }
        } else if (name == "certificate") {
            settings.certificate = value;
        } else if (name == "key") {
            settings.key = value;
        } else {
            error = where + ": no setting \"" + name + "\"";
            return false;
        }
    }
    return true;
}
