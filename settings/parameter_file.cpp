#include "settings/parameter_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstring>

#include "settings/atomic_file.h"

// The record is stored as its memory image, which is the file's little-endian layout only here.
static_assert(std::endian::native == std::endian::little);

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
