#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "AdminTool.h"
#include "kelvo.h"

// kelvo-admin run in the benchmark's own process, on the database its
// arguments name; what it refused is said on standard error.
class CBenchAdmin {
public:
    static int Run(const std::vector<std::string>& args) {
        kvShutdown(); // the command opens the database it names
        std::istringstream in;
        std::ostringstream out, err;
        int status = CAdminTool(in, out, err).Run(args);
        if (status != 0)
            std::cerr << "kelvo-admin " << args.back() << ": " << err.str();
        kvShutdown();
        return status;
    }
};
