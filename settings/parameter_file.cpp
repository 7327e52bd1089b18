#include "settings/parameter_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/shell_platform.h"
#include "engine/wrapping_math.h"
#include "settings/atomic_file.h"

// The record is stored as its memory image, which is the file's little-endian layout only here.
static_assert(std::endian::native == std::endian::little);

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

std::string damagedParameterFilePath(const std::string& path)
{
    return path + ".bad";
}

void loadParameterFile(ParameterFile& file, SettingsRecord& defaults)
{
    uint8_t bytes[kParameterFileSize];
    const int64_t count = readFilePrefix(file.path, bytes);
    file.opened = count >= 0;
    if (count <= 0)
        return;
    const size_t n = static_cast<size_t>(count);
    const size_t headerBytes = n < kParameterHeaderSize ? n : kParameterHeaderSize;
    std::memcpy(file.header, bytes, headerBytes);
    std::memcpy(&defaults, bytes + kParameterHeaderSize, n - headerBytes);
}

void loadParameterFileAtStart(ParameterFile& file, SettingsRecord& defaults)
{
    file.opened = false;
    struct stat info {};
    if (::lstat(file.path.c_str(), &info) != 0)
        return;  // no file: the built-in defaults
    // A symbolic link is followed to what it names.
    const bool whole = ::stat(file.path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_size >= static_cast<off_t>(kParameterFileSize);
    if (!whole) {
        // Empty, truncated, a FIFO or a directory: kept for the user, and replaced at start-up.
        ::rename(file.path.c_str(), damagedParameterFilePath(file.path).c_str());
        return;
    }
    loadParameterFile(file, defaults);
}

bool writeParameterFile(const ParameterFile& file, const SettingsRecord& defaults)
{
    uint8_t bytes[kParameterFileSize];
    std::memcpy(bytes, file.header, kParameterHeaderSize);
    std::memcpy(bytes + kParameterHeaderSize, &defaults, sizeof(SettingsRecord));
    return writeFileAtomically(file.path, bytes);
}

namespace {

int32_t wrappingSubtract(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int writeOrReport(const ParameterFile& file, ShellPlatform& shell, const SettingsRecord& defaults)
{
    if (writeParameterFile(file, defaults))
        return 0;
    shell.showMessage("failed to open .par file", "alert", true);
    return -1;
}

}  // namespace

int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working)
{
    // Written before placing: a placement computed now reaches the file only at close.
    if (writeOrReport(file, shell, defaults) != 0)
        return -1;
    placeMainWindow(shell, defaults);
    std::memcpy(&working, &defaults, sizeof(SettingsRecord));
    return 0;
}

int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults)
{
    const WindowRect rect = shell.windowRect();
    defaults.windowRect[0] = rect.left;
    defaults.windowRect[1] = rect.top;
    defaults.windowRect[2] = rect.right;
    defaults.windowRect[3] = rect.bottom;
    return writeOrReport(file, shell, defaults);
}

bool menuBarOnAScreen(int32_t left, int32_t top, int32_t width, const std::vector<WindowRect>& screens)
{
    const int64_t right = static_cast<int64_t>(left) + width;
    const int64_t bottom = static_cast<int64_t>(top) + kReachableMenuBarHeight;
    const int64_t wanted = width < kReachableMenuBarWidth ? width : kReachableMenuBarWidth;
    for (const WindowRect& screen : screens) {
        const int64_t overlap = std::min<int64_t>(right, screen.right) - std::max<int64_t>(left, screen.left);
        if (top >= screen.top && bottom <= screen.bottom && overlap >= wanted && overlap > 0)
            return true;
    }
    return false;
}

void placeMainWindow(ShellPlatform& shell, SettingsRecord& record)
{
    int32_t* r = record.windowRect;  // left, top, right, bottom
    if (record.windowWidth != 0 && record.windowHeight != 0) {
        // A stored placement is used as it is, unless the menu bar would be off every screen (a
        // placement from a larger screen): then the window is centred as on a first start.
        if (record.windowWidth > 0 && menuBarOnAScreen(r[0], r[1], record.windowWidth, shell.screenRects())) {
            shell.moveWindow(r[0], r[1], record.windowWidth, record.windowHeight);
            return;
        }
        record.windowWidth = 0;
        record.windowHeight = 0;
    }
    // The window starts at (0, 0); an axis still at 0 is centred, one the system moved is kept.
    // Differences wrap rather than overflow on whatever the window system reports.
    const WindowRect current = shell.windowRect();
    r[0] = current.left;
    r[1] = current.top;
    r[2] = current.right;
    r[3] = current.bottom;
    record.windowWidth = wrappingSubtract(r[2], r[0]);
    if (r[0] == 0) {
        record.screenWidth = shell.screenWidth();
        r[0] = wrappingSubtract(record.screenWidth, record.windowWidth) / 2;  // truncates toward zero
    }
    r[2] = wrappingAdd(r[0], record.windowWidth);
    record.windowHeight = wrappingSubtract(r[3], r[1]);
    if (r[1] == 0) {
        record.screenHeight = shell.screenHeight();
        r[1] = wrappingSubtract(record.screenHeight, record.windowHeight) / 2;
    }
    r[3] = wrappingAdd(r[1], record.windowHeight);
    shell.moveWindow(r[0], r[1], record.windowWidth, record.windowHeight);
}
