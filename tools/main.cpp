#include <iostream>
#include <string>
#include <vector>

#include "kelvo.h"

#include "AdminTool.h"
#include "LinkedBackend.h"

int main(int argc, char** argv) {
    // The readers call the backend through the table, here the linked library.
    CLinkedBackend backend;
    CAdminTool tool(std::cin, std::cout, std::cerr);
    int status = tool.Run(std::vector<std::string>(argv + 1, argv + argc));
    // Commits whatever is pending before the process ends.
    kvShutdown();
    return status;
}
