// Plays the rhythm against a virtual clock and returns every message with its exact time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/layer_counters.h"
#include "engine/recording_backend.h"
#include "settings/settings_record.h"

struct RenderLength {
    std::optional<int64_t> passes;    // play this many whole passes
    std::optional<int64_t> stopAtMs;  // or press Stop at this time and let the pass drain
};

// Where a run starts and what it leaves out: the layer counters of its first pass (all 0, as after
// start-up or a rewind, or where Play would go on) and the layers whose note-ons are not sent (bit
// L for layer L, as a muted layer plays).
struct RenderScope {
    LayerCounters startCounters{};
    uint32_t mutedLayers = 0;
};

// A run longer than this many messages is refused (numerals just above 1 make passes that
// practically never end).
inline constexpr size_t kRenderMessageLimit = 20'000'000;

// What the program does after an accepted concept and Play: the 16 program changes at time 0,
// then passes from `scope`'s counters with its layers muted. False with `error` when the run
// exceeds the limit, or when `cancel` (read from any thread) was set during the run.
bool renderRun(const SettingsRecord& settings, const RenderLength& length, std::vector<TimedMessage>& messages,
               std::string& error, const std::atomic<bool>* cancel = nullptr, const RenderScope& scope = {});
