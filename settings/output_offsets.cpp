#include "settings/output_offsets.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "settings/atomic_file.h"

namespace {

constexpr size_t kMaxFileBytes = 64 * 1024;
constexpr size_t kMaxLines = 256;
constexpr size_t kMaxName = 255;

bool isPrintableName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxName)
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

// "<ms> <name>": an optional minus sign and at most three digits, one space, the name.
bool parseLine(const std::string& line, int32_t& ms, std::string& name)
{
    const size_t space = line.find(' ');
    if (space == std::string::npos || space == 0 || space > 4)
        return false;
    const std::string number = line.substr(0, space);
    const size_t digitsFrom = number[0] == '-' ? 1 : 0;
    if (digitsFrom == number.size() || number.find_first_not_of("0123456789", digitsFrom) != std::string::npos)
        return false;
    ms = std::atoi(number.c_str());
    name = line.substr(space + 1);
    return ms >= kMinOutputOffsetMs && ms <= kMaxOutputOffsetMs && isPrintableName(name);
}

}  // namespace

int32_t OutputOffsets::offsetFor(const std::string& name) const
{
    const auto found = ms.find(name);
    return found == ms.end() ? 0 : found->second;
}

void OutputOffsets::set(const std::string& name, int32_t offsetMs)
{
    if (!isPrintableName(name))
        return;  // it could not be written as one line, and would make the whole file unreadable
    if (offsetMs == 0)
        ms.erase(name);
    else
        ms[name] = offsetMs;
}

std::string outputOffsetsPath(const std::string& parameterFilePath)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + "pulseLattice.offsets";
}

OutputOffsets loadOutputOffsets(const std::string& path)
{
    std::vector<uint8_t> bytes(kMaxFileBytes + 1);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0 || static_cast<size_t>(count) > kMaxFileBytes)
        return {};
    const std::string text(bytes.begin(), bytes.begin() + count);
    OutputOffsets offsets;
    size_t lines = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        int32_t ms = 0;
        std::string name;
        if (++lines > kMaxLines || !parseLine(text.substr(start, end - start), ms, name))
            return {};
        offsets.set(name, ms);
        start = end + 1;
    }
    return offsets;
}

bool saveOutputOffsets(const std::string& path, const OutputOffsets& offsets)
{
    if (offsets.ms.empty())
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    std::string text;
    for (const auto& [name, ms] : offsets.ms)
        text += std::to_string(ms) + " " + name + "\n";
    return writeFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}
