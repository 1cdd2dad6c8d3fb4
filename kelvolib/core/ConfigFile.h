#pragma once

#include <string>

// The groupware's configuration files, read when $KELVO_DATABASE is not set:
// the person's ($XDG_CONFIG_HOME/kelvo/kelvo.conf, else
// ~/.config/kelvo/kelvo.conf), then each of $XDG_CONFIG_DIRS (else /etc/xdg)
// with kelvo/kelvo.conf, then /etc/kelvo/kelvo.conf. A file holds lines of
// "name = value"; blank lines and lines beginning with "#" say nothing. The
// one name read is "database": a file path or a postgresql:// URI, as the
// variable takes it.
class CConfigFile {
public:
    // The first file that names a database: found (location and the file's
    // path set) or not; false (error set) when a file cannot be read or
    // holds a line that is no setting, which is never passed over.
    static bool FindDatabase(std::string& location, std::string& file, std::string& error);

    // Reads path: database set when it names one; false (error set) for a
    // file that exists and cannot be read, or a line that is no setting.
    static bool Read(const std::string& path, std::string& database, std::string& error);
};
