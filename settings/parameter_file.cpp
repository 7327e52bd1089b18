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

ParameterFileState parameterFileState(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return ParameterFileState::Missing;
    // A symbolic link is followed to what it names.
    const bool whole = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_size >= static_cast<off_t>(kParameterFileSize);
    return whole ? ParameterFileState::Whole : ParameterFileState::Damaged;
}

void loadParameterFileAtStart(ParameterFile& file, SettingsRecord& defaults)
{
    file.opened = false;
    switch (parameterFileState(file.path)) {
    case ParameterFileState::Missing: return;  // no file: the built-in defaults
    case ParameterFileState::Damaged:
        // Empty, truncated, a FIFO or a directory: kept for the user, and replaced at start-up.
        ::rename(file.path.c_str(), damagedParameterFilePath(file.path).c_str());
        return;
    case ParameterFileState::Whole: break;
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
