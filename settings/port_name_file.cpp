#include "settings/port_name_file.h"

#include <vector>

#include "settings/atomic_file.h"
#include "settings/side_file.h"

namespace {

constexpr size_t kMaxName = 255;

}  // namespace

std::optional<std::string> loadPortName(const std::string& path)
{
    std::vector<uint8_t> bytes(kMaxName + 2);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0)
        return std::nullopt;
    std::string name(bytes.begin(), bytes.begin() + count);
    if (!name.empty() && name.back() == '\n')
        name.pop_back();
    if (name.empty() || name.size() > kMaxName)
        return std::nullopt;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::nullopt;
    return name;
}

bool savePortName(const std::string& path, const std::string& name)
{
    if (name.empty())
        return removeSideFile(path, "port name");
    return writeSideFile(path, name + "\n", "port name");
}
