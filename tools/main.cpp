#include <iostream>
#include <string>
#include <vector>

#include "AdminTool.h"
#include "LinkedBackend.h"
#include "kelvo.h"

int main(int argc, char** argv) {
    // The readers call the backend through the table, here the linked library.
    CLinkedBackend backend;
    CAdminTool tool(std::cin, std::cout, std::cerr);
    int status = tool.Run(std::vector<std::string>(argv + 1, argv + argc));
    // Commits whatever is pending before the process ends.
    kvShutdown();
    return status;
}
