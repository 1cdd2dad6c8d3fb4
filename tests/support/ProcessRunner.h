#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Runs a program to its end with the given standard input, capturing its
// standard output and error: for tests of command-line tools.
class CProcessRunner {
public:
    struct CResult {
        int status = -1; // exit status, or -1 if it did not exit normally
        std::string out;
        std::string err;
    };

    // How the child starts, beyond its arguments.
    struct COptions {
        std::string input;
        std::string directory;                     // working folder; empty: the test's
        std::map<std::string, std::string> setEnv; // variables set in the child
        std::vector<std::string> unsetEnv;         // variables removed in the child
        std::function<void()> inChild;             // runs in the child just before exec
    };

    static CResult Run(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input = std::string());
    static CResult Run(const std::string& program, const std::vector<std::string>& args,
                       const COptions& options);
};
