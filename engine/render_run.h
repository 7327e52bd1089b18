// Plays the rhythm against a virtual clock and returns every message with its exact time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/work_progress.h"
#include "engine/recording_backend.h"
#include "settings/settings_record.h"

struct RenderLength {
    std::optional<int64_t> passes;    // play this many whole passes
    std::optional<int64_t> stopAtMs;  // or press Stop at this time and let the pass drain
};

// A run longer than this many messages is refused (numerals just above 1 make passes that
// practically never end).
inline constexpr size_t kRenderMessageLimit = 20'000'000;

// What the program does after an accepted concept and Play: the 16 program changes at time 0,
// then passes from layer counters at 0. False with `error` when the run exceeds the limit, or
// when `progress` (may be null) was cancelled from another thread during the run: the flag is
// read every 4096 messages, well under a millisecond of work. How far the run is (virtual time
// against the stop time, or passes played) is reported as 0..`progressEnd` permille.
bool renderRun(const SettingsRecord& settings, const RenderLength& length, std::vector<TimedMessage>& messages,
               std::string& error, WorkProgress* progress = nullptr, int32_t progressEnd = 1000);
