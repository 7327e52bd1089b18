// The lattice window's size and position and the layers' mutes, kept in a small text file of its
// own beside the parameter file ("pulseLattice.lattice"), so the parameter file's layout stays as
// it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct LatticePlacement {
    int32_t left = 0, top = 0;     // the frame's top-left corner, screen pixels
    int32_t width = 0, height = 0;  // the window's inside, pixels

    bool operator==(const LatticePlacement&) const = default;
};

// Which layers the user muted and which one is soloed, as the lattice window sets them.
struct LayerMutes {
    uint32_t muted = 0;   // bit L: layer L (0..7) muted by its own label or key
    int32_t solo = -1;    // the soloed layer 0..7, -1 for none; every other layer is then silent

    bool operator==(const LayerMutes&) const = default;
};

// Its name beside the parameter file (sideFilePath gives the path).
inline constexpr char kLatticePlacementFile[] = "pulseLattice.lattice";

// Nothing when the file is missing or does not hold four numbers within 100000 pixels each way with
// a size of at least 1x1. Whether the place suits the screens is for the window to judge.
std::optional<LatticePlacement> loadLatticePlacement(const std::string& path);

// The mutes the file keeps; none when it is missing, damaged or older than the mutes.
LayerMutes loadLayerMutes(const std::string& path);

// Written atomically, the placement (when known) and the mutes; false (the old file kept, the
// failure logged) when that fails.
bool saveLatticePlacement(const std::string& path, const std::optional<LatticePlacement>& placement,
                          const LayerMutes& mutes = {});
