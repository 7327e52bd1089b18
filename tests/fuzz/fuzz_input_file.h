// The fuzz input as a file: the loaders take paths, so every input is written to one memory-backed
// file that lives as long as the fuzzer, named by its /proc path. No disk, no clean-up.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string fuzzInputFile(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("pulselattice-fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

// Stops the fuzzer with a report when a property the code promises does not hold.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)
