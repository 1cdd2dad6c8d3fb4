#include "ConfigFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The files in the order they are read.
std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome != nullptr && *configHome == '/')
        paths.push_back(std::string(configHome) + "/kelvo/kelvo.conf");
    else if (home != nullptr && *home == '/' && std::string(home) != "/")
        paths.push_back(std::string(home) + "/.config/kelvo/kelvo.conf");
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs != nullptr && *dirs != '\0' ? dirs : "/etc/xdg";
    for (size_t at = 0; at <= list.size();) {
        size_t end = list.find(':', at);
        if (end == std::string::npos)
            end = list.size();
        const std::string dir = list.substr(at, end - at);
        if (!dir.empty() && dir[0] == '/')
            paths.push_back(dir + "/kelvo/kelvo.conf");
        at = end + 1;
    }
    paths.push_back("/etc/kelvo/kelvo.conf");
    return paths;
}

} // namespace

bool CConfigFile::Read(const std::string& path, std::string& database, std::string& error) {
    database.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT || errno == ENOTDIR)
            return true; // no file says nothing
        error = "the configuration file " + path + " cannot be read: " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        const std::string name = equals == std::string::npos ? "" : Trimmed(line.substr(0, equals));
        if (name.empty()) {
            error = path + ":" + std::to_string(number) + " is no setting: write name = value";
            return false;
        }
        if (name == "database")
            database = Trimmed(line.substr(equals + 1));
    }
    if (in.bad()) {
        error = "the configuration file " + path + " cannot be read: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool CConfigFile::FindDatabase(std::string& location, std::string& file, std::string& error) {
    location.clear();
    file.clear();
    for (const std::string& path : Paths()) {
        std::string database;
        if (!Read(path, database, error))
            return false;
        if (!database.empty()) {
            location = database;
            file = path;
            return true;
        }
    }
    return true;
}
