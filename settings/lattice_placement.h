// The lattice window's size and position, kept in a small text file of its own beside the
// parameter file ("pulseLattice.lattice"), so the parameter file's layout stays as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct LatticePlacement {
    int32_t left = 0, top = 0;     // the frame's top-left corner, screen pixels
    int32_t width = 0, height = 0;  // the window's inside, pixels

    bool operator==(const LatticePlacement&) const = default;
};

// The file beside `parameterFilePath`.
std::string latticePlacementPath(const std::string& parameterFilePath);

// Nothing when the file is missing or does not hold four numbers within 100000 pixels each way with
// a size of at least 1x1. Whether the place suits the screens is for the window to judge.
std::optional<LatticePlacement> loadLatticePlacement(const std::string& path);

// Written atomically; false (the old file kept) when that fails.
bool saveLatticePlacement(const std::string& path, const LatticePlacement& placement);
