#include "settings/session_switches.h"

#include <cstdio>

#include "settings/side_file.h"

SessionSwitches loadSessionSwitches(const std::string& path)
{
    const std::string text = readSideFile(path, 64).value_or("");
    int link = 0, clock = 0, follow = 0, used = 0;
    // "link 0|1", "clock 0|1", then "follow 0|1" (files written before it have no such line);
    // anything else is a damaged file.
    if (std::sscanf(text.c_str(), "link %d clock %d%n", &link, &clock, &used) != 2 || (link != 0 && link != 1) ||
        (clock != 0 && clock != 1))
        return {};
    const std::string rest = text.substr(static_cast<size_t>(used));
    if (rest.find_first_not_of(" \t\r\n") != std::string::npos &&
        (std::sscanf(rest.c_str(), " follow %d", &follow) != 1 || (follow != 0 && follow != 1)))
        return {};
    return {link == 1, clock == 1, follow == 1 && link == 0};
}

bool saveSessionSwitches(const std::string& path, const SessionSwitches& switches)
{
    // The follow line only when it is on: a file without it reads as before, by any version.
    char text[48];
    const int length = std::snprintf(text, sizeof text, "link %d\nclock %d\n%s", switches.link ? 1 : 0,
                                     switches.clock ? 1 : 0, switches.followClock ? "follow 1\n" : "");
    return writeSideFile(path, std::string(text, static_cast<size_t>(length)), "Link and clock switches");
}
