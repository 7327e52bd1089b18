#include "settings/session_switches.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "settings/atomic_file.h"
#include "settings/side_file.h"

SessionSwitches loadSessionSwitches(const std::string& path)
{
    std::vector<uint8_t> bytes(64);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0)
        return {};
    const std::string text(bytes.begin(), bytes.begin() + count);
    int link = 0, clock = 0;
    // "link 0|1" then "clock 0|1"; anything else is a damaged file.
    if (std::sscanf(text.c_str(), "link %d clock %d", &link, &clock) != 2 || (link != 0 && link != 1) ||
        (clock != 0 && clock != 1))
        return {};
    return {link == 1, clock == 1};
}

bool saveSessionSwitches(const std::string& path, const SessionSwitches& switches)
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, "link %d\nclock %d\n", switches.link ? 1 : 0, switches.clock ? 1 : 0);
    return writeSideFile(path, std::string(text, static_cast<size_t>(length)), "Link and clock switches");
}
