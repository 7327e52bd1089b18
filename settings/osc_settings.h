// The OSC server's settings, kept in a small text file of their own beside the parameter file
// ("pulseLattice.osc"): whether it runs, its UDP port, and whether it accepts messages from the
// network or only from this machine. The Controls dialog edits them; --osc-port overrides them
// for one run.
#pragma once

#include <cstdint>
#include <string>

struct OscSettings {
    bool enabled = false;        // off until the user switches it on
    uint16_t port = 9000;        // UDP, 1-65535
    bool acceptNetwork = false;  // false: 127.0.0.1 only

    bool operator==(const OscSettings&) const = default;
};

// The file beside `parameterFilePath`.
std::string oscSettingsPath(const std::string& parameterFilePath);

// The defaults (off, 9000, this machine only) when the file is missing or damaged.
OscSettings loadOscSettings(const std::string& path);

// Written atomically; false (the old file kept) when that fails.
bool saveOscSettings(const std::string& path, const OscSettings& settings);
