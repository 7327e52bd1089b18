// Command-line options of pulselattice-render.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/layer_counters.h"

struct ModulationOption {
    int32_t layerIndex;      // 0-based (the option takes the shown number 1..8)
    int32_t tone;            // 0 alpha, 1 beta
    int32_t noteOffset;
    int32_t velocityOffset;
};

struct RenderOptions {
    std::optional<std::string> settingsFile;   // a parameter file (.par)
    std::optional<std::string> voicesFile;     // a MIDI setting file (.gms)
    std::optional<double> numeral;             // a typed numeral
    std::optional<int32_t> numeralPosition;    // a preset given by its label
    std::optional<int32_t> tempo;
    std::optional<int32_t> layers;             // 1..8
    std::optional<int32_t> alphaDuration;
    std::optional<int32_t> betaDuration;
    std::optional<int32_t> noteOffset;
    std::optional<int32_t> velocityOffset;
    std::optional<ModulationOption> modulation;
    std::optional<int64_t> passes;
    std::optional<int64_t> stopAtMs;
    std::string output;                        // "-", *.txt, *.mid or *.wav
    uint32_t mutedLayers = 0;                  // bit L: layer L's note-ons are left out
    LayerCounters fromCounters{};              // the layer counters of the first pass
};

// Parses the arguments after the program name. On failure returns false and sets `error` to one
// line naming the offending option.
bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

extern const char* const kRenderUsage;
