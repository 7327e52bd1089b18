// Plays the rhythm against a virtual clock and returns every message with its exact time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/layer_counters.h"
#include "common/work_progress.h"
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

// Takes a run's messages in the order they were sent, a piece of at most kRenderPieceMessages at
// a time, while the run goes on: a long run is written as it is played and never held whole.
class RenderSink {
public:
    virtual ~RenderSink() = default;
    // False stops the run (renderRun then returns false; the sink knows why).
    virtual bool take(std::span<const TimedMessage> messages) = 0;
};
inline constexpr size_t kRenderPieceMessages = 65536;

// What the program does after an accepted concept and Play: the 16 program changes at time 0,
// then passes from `scope`'s counters with its layers muted, each message handed to `sink`. False
// with `error` when the run exceeds the limit (part of it may have reached the sink), when the
// sink refused a piece, or when `progress` (may be null) was cancelled from another thread during
// the run: the flag is read every 4096 messages, well under a millisecond of work. How far the run
// is (virtual time against the stop time, or passes played) is reported as 0..`progressEnd`
// permille.
bool renderRun(const SettingsRecord& settings, const RenderLength& length, RenderSink& sink, std::string& error,
               WorkProgress* progress = nullptr, int32_t progressEnd = 1000, const RenderScope& scope = {});

// The same, with every message collected into `messages` (left empty on failure).
bool renderRun(const SettingsRecord& settings, const RenderLength& length, std::vector<TimedMessage>& messages,
               std::string& error, WorkProgress* progress = nullptr, int32_t progressEnd = 1000,
               const RenderScope& scope = {});
