#pragma once

#include <stdexcept>
#include <string>

// A failure of an administrator's command: reported on standard error, exit status 1.
class CAdminError : public std::runtime_error {
public:
    explicit CAdminError(const std::string& message) : std::runtime_error(message) {}
};
