#include "platform/executable_path.h"

#include <unistd.h>

#include <vector>

std::string executablePath()
{
    // readlink does not say whether it truncated, so grow the buffer until the link fits.
    for (size_t size = 256; size <= (1u << 20); size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
    }
    return {};
}
