#include "settings/lattice_placement.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "settings/rhythm_units.h"
#include "settings/side_file.h"

std::optional<LatticePlacement> loadLatticePlacement(const std::string& path)
{
    const std::optional<std::string> file = readSideFile(path, 128);
    if (!file)
        return std::nullopt;
    const std::string& text = *file;
    // Four decimal numbers within 100000 pixels each way and a size of at least 1x1; anything else
    // (a number too long for any type included) is a damaged file.
    int32_t values[4];
    const char* cursor = text.c_str();
    for (int32_t& value : values) {
        char* end = nullptr;
        errno = 0;
        const long number = std::strtol(cursor, &end, 10);
        if (end == cursor || errno == ERANGE || number < -100000 || number > 100000)
            return std::nullopt;
        value = static_cast<int32_t>(number);
        cursor = end;
    }
    const LatticePlacement p{values[0], values[1], values[2], values[3]};
    if (p.width < 1 || p.height < 1)
        return std::nullopt;
    return p;
}

LayerMutes loadLayerMutes(const std::string& path)
{
    const std::string text = readSideFile(path, 128).value_or("");
    // The second line: "mutes M solo S"; a file from before the mutes has none.
    const size_t line = text.find("\nmutes ");
    unsigned muted = 0;
    int solo = -1;
    if (line == std::string::npos || std::sscanf(text.c_str() + line + 1, "mutes %u solo %d", &muted, &solo) != 2 ||
        muted >= (1u << kLayerCount) || solo < -1 || solo >= kLayerCount)
        return {};
    return {muted, solo};
}

bool saveLatticePlacement(const std::string& path, const std::optional<LatticePlacement>& placement,
                          const LayerMutes& mutes)
{
    // Without a known placement the first line holds a size of 0, which reads as none.
    const LatticePlacement p = placement.value_or(LatticePlacement{});
    char text[96];
    const int length = std::snprintf(text, sizeof text, "%d %d %d %d\nmutes %u solo %d\n", p.left, p.top, p.width,
                                     p.height, mutes.muted & 0xFFu, mutes.solo);
    return writeSideFile(path, std::string(text, static_cast<size_t>(length)), "lattice window's place and layer mutes");
}
