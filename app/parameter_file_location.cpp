#include "app/parameter_file_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "settings/parameter_file.h"

namespace {

// Creates every missing directory of `dir` (mode 0700, as for per-user configuration).
bool makeDirectories(const std::string& dir)
{
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string prefix = dir.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string homeDirectory(const char* home)
{
    if (home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return {};
}

}  // namespace

std::string parameterFilePathFor(const std::string& executablePath)
{
    return parameterFilePathFor(executablePath, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string parameterFilePathFor(const std::string& executablePath, const char* xdgConfigHome, const char* home)
{
    // The directory keeps its trailing slash; a bare name means the current directory.
    const auto slash = executablePath.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
    const std::string besideExecutable = dir + kParameterFileName;
    // An installed copy (anything under /usr) never writes beside itself, even for root, who
    // could: settings belong to the user, not to the system's program directory.
    const bool installed = dir.rfind("/usr/", 0) == 0;
    if (!installed && ::access(dir.empty() ? "." : dir.c_str(), W_OK) == 0)
        return besideExecutable;

    // XDG base directories must be absolute; anything else is ignored. One that cannot be written
    // gives way to ~/.config.
    std::vector<std::string> candidates;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        candidates.push_back(std::string(xdgConfigHome) + "/pulseLattice");
    if (const std::string userHome = homeDirectory(home); !userHome.empty())
        candidates.push_back(userHome + "/.config/pulseLattice");
    for (const std::string& configDir : candidates)
        if (makeDirectories(configDir) && ::access(configDir.c_str(), W_OK) == 0)
            return configDir + "/" + kParameterFileName;
    if (!candidates.empty())
        return candidates.front() + "/" + kParameterFileName;  // a failed write is reported then
    return besideExecutable;
}
