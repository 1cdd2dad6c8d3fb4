#pragma once

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

    static CResult Run(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input = std::string());
};
