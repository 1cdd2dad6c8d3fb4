#include <iostream>
#include <string>
#include <vector>

#include "kelvo.h"

#include "AdminTool.h"

int main(int argc, char** argv) {
    CAdminTool tool(std::cin, std::cout, std::cerr);
    int status = tool.Run(std::vector<std::string>(argv + 1, argv + argc));
    // Commits whatever is pending before the process ends.
    kvShutdown();
    return status;
}
