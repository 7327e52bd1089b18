// The chosen ports kept by their shown names: the device indexes of WorkingSettings and
// DefaultSettings follow their ports' names whenever the list of ports is read, so a port that
// moved in the list (ports added, removed, JACK clients started in another order) is still the
// one that opens. UI thread only.
#pragma once

#include <cstdint>
#include <string>

struct AppContext;

// The names of the ports the two records' midiDeviceId choose; empty for MIDI_MAPPER or unknown.
struct KeptPortNames {
    std::string working;
    std::string defaults;
};

// The two indexes as they were, to tell afterwards which ones a dialog changed.
struct PortChoice {
    int32_t working = -1;
    int32_t defaults = -1;
};
PortChoice portChoiceOf(const AppContext& app);

// Start-up, before the port opens: reads the name file beside the parameter file. A name found in
// the list at another index moves both indexes there (saved as usual at close). Returns the name
// when it is no longer listed (the caller falls back and says so), else an empty text. Without
// the file the indexes decide as they are, and their ports' names are noted for the next start.
std::string followPortNamesAtStart(AppContext& app);

// Before a device list is shown: reads the list and lets the indexes follow their names (the open
// port's index too, so it is not reopened for nothing).
void followPortNames(AppContext& app);

// After a dialog was confirmed: an index it changed takes the name of its port in the list the
// dialog showed.
void notePortNames(AppContext& app, const PortChoice& before);

// Closing: the name of the defaults' port goes into the name file (not when the parameter file
// cannot be kept).
void savePortNames(AppContext& app);
