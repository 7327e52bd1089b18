// The Link, MIDI clock and follow-clock switches, kept in a small text file of their own beside
// the parameter file ("pulseLattice.link"), so the parameter file's layout stays as it is.
#pragma once

#include <string>

struct SessionSwitches {
    bool link = false;   // follow a Link session
    bool clock = false;  // send MIDI clock on MIDI ports
    bool followClock = false;  // follow an external MIDI clock (a file without the line: off)

    bool operator==(const SessionSwitches&) const = default;
};

// Its name beside the parameter file (sideFilePath gives the path).
inline constexpr char kSessionSwitchesFile[] = "pulseLattice.link";

// All off when the file is missing or damaged.
SessionSwitches loadSessionSwitches(const std::string& path);

// Written atomically; false (the old file kept, the failure logged) when that fails.
bool saveSessionSwitches(const std::string& path, const SessionSwitches& switches);
