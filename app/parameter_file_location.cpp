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

namespace {

// The directory of the executable with its trailing slash ("" for a bare name: the current directory).
std::string executableDirectory(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
}

// An installed copy (anything under /usr) never writes beside itself, even for root, who could:
// settings belong to the user, not to the system's program directory.
bool isInstalled(const std::string& dir)
{
    return dir.rfind("/usr/", 0) == 0;
}

// XDG base directories must be absolute; anything else is ignored.
std::vector<std::string> configDirectories(const char* xdgConfigHome, const char* home)
{
    std::vector<std::string> dirs;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        dirs.push_back(std::string(xdgConfigHome) + "/pulseLattice");
    if (const std::string userHome = homeDirectory(home); !userHome.empty())
        dirs.push_back(userHome + "/.config/pulseLattice");
    return dirs;
}

}  // namespace

std::string parameterFilePathFor(const std::string& executablePath, const char* xdgConfigHome, const char* home)
{
    const std::string dir = executableDirectory(executablePath);
    const std::string besideExecutable = dir + kParameterFileName;
    if (!isInstalled(dir) && ::access(dir.empty() ? "." : dir.c_str(), W_OK) == 0)
        return besideExecutable;

    // A configuration directory that cannot be written gives way to the next.
    const std::vector<std::string> candidates = configDirectories(xdgConfigHome, home);
    for (const std::string& configDir : candidates)
        if (makeDirectories(configDir) && ::access(configDir.c_str(), W_OK) == 0)
            return configDir + "/" + kParameterFileName;
    if (!candidates.empty())
        return candidates.front() + "/" + kParameterFileName;  // a failed write is reported then
    return besideExecutable;
}

std::vector<std::string> parameterFilePlaces(const std::string& executablePath)
{
    return parameterFilePlaces(executablePath, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::vector<std::string> parameterFilePlaces(const std::string& executablePath, const char* xdgConfigHome,
                                             const char* home)
{
    std::vector<std::string> places;
    const std::string dir = executableDirectory(executablePath);
    if (!isInstalled(dir))
        places.push_back(dir + kParameterFileName);
    for (const std::string& configDir : configDirectories(xdgConfigHome, home))
        places.push_back(configDir + "/" + kParameterFileName);
    if (places.empty())
        places.push_back(dir + kParameterFileName);
    return places;
}
