#include "settings/side_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>
#include <vector>

#include "common/diagnostics.h"
#include "settings/atomic_file.h"

namespace {

bool logged(bool kept, const std::string& path, const char* what)
{
    if (!kept)
        logDiagnostic(std::string("cannot keep the ") + what + " in '" + path + "'");
    return kept;
}

}  // namespace

std::string sideFilePath(const std::string& parameterFilePath, const char* name)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + name;
}

std::optional<std::string> readSideFile(const std::string& path, size_t limit)
{
    std::vector<uint8_t> bytes(limit);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0)
        return std::nullopt;
    return std::string(bytes.begin(), bytes.begin() + count);
}

bool writeSideFile(const std::string& path, const std::string& text, const char* what)
{
    const std::span<const uint8_t> bytes{reinterpret_cast<const uint8_t*>(text.data()), text.size()};
    return logged(writeFileAtomically(path, bytes), path, what);
}

bool removeSideFile(const std::string& path, const char* what)
{
    return logged(::unlink(path.c_str()) == 0 || errno == ENOENT, path, what);
}
