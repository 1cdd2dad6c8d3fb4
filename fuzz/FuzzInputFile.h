#pragma once

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// The fuzz input as a file the readers can open: one in-memory file, rewritten
// for every input.
class CFuzzInputFile {
public:
    static const std::string& Write(const uint8_t* data, size_t size) {
        static const int fd = memfd_create("kelvo-fuzz", 0);
        static const std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (ftruncate(fd, 0) != 0 ||
            (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
            std::abort();
        return path;
    }
};
