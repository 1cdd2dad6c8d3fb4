#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "AdminTool.h"
#include "LinkedBackend.h"
#include "OutputBuffer.h"
#include "kelvo.h"

int main(int argc, char** argv) {
    // The readers call the backend through the table, here the linked library.
    CLinkedBackend backend;
    // Standard output through a buffer that knows why a write failed: an
    // export or a dump cut short is said (CAdminTool checks it).
    COutputBuffer buffer(STDOUT_FILENO, false);
    std::ostream out(&buffer);
    CAdminTool tool(std::cin, out, std::cerr);
    int status = tool.Run(std::vector<std::string>(argv + 1, argv + argc));
    // Commits whatever is pending before the process ends.
    kvShutdown();
    return status;
}
