#include "settings/lattice_placement.h"

#include <cstdio>
#include <vector>

#include "settings/atomic_file.h"

std::string latticePlacementPath(const std::string& parameterFilePath)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + "pulseLattice.lattice";
}

std::optional<LatticePlacement> loadLatticePlacement(const std::string& path)
{
    std::vector<uint8_t> bytes(128);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0)
        return std::nullopt;
    const std::string text(bytes.begin(), bytes.begin() + count);
    LatticePlacement p;
    // Sizes up to 100000 pixels; anything else is a damaged file.
    if (std::sscanf(text.c_str(), "%d %d %d %d", &p.left, &p.top, &p.width, &p.height) != 4 || p.width < 1 ||
        p.height < 1 || p.width > 100000 || p.height > 100000 || p.left < -100000 || p.left > 100000 ||
        p.top < -100000 || p.top > 100000)
        return std::nullopt;
    return p;
}

bool saveLatticePlacement(const std::string& path, const LatticePlacement& placement)
{
    char text[64];
    const int length =
        std::snprintf(text, sizeof text, "%d %d %d %d\n", placement.left, placement.top, placement.width, placement.height);
    return writeFileAtomically(path, {reinterpret_cast<const uint8_t*>(text), static_cast<size_t>(length)});
}
