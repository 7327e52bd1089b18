#include "settings/port_name_file.h"

#include "settings/side_file.h"

namespace {

constexpr size_t kMaxName = 255;

}  // namespace

std::optional<std::string> loadPortName(const std::string& path)
{
    const std::optional<std::string> text = readSideFile(path, kMaxName + 2);
    if (!text)
        return std::nullopt;
    std::string name = *text;
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
