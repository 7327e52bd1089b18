#include "app/output/output_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on a chain of links

std::string readLink(const std::string& path)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

bool resolveOutputTarget(const std::string& path, std::string& target, std::string& error)
{
    target = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return true;  // a new file
            error = "cannot write '" + path + "': " + std::strerror(errno);
            return false;
        }
        if (S_ISLNK(info.st_mode)) {
            const std::string link = readLink(target);
            if (link.empty()) {
                error = "cannot write '" + path + "': the link cannot be read";
                return false;
            }
            const auto slash = target.rfind('/');
            target = (link[0] == '/' || slash == std::string::npos) ? link : target.substr(0, slash + 1) + link;
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            error = "cannot write '" + path + "': not a regular file";
            return false;
        }
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            error = "cannot write '" + path + "': the file is read-only";
            return false;
        }
        return true;
    }
    error = "cannot write '" + path + "': too many levels of symbolic links";
    return false;
}
