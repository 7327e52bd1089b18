// The lattice view's events, computed by the rhythm engine itself on a virtual clock: the preview
// of what Play will do, and how long an event that has just started will last. No Qt, UI thread.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/clock.h"
#include "engine/generator.h"
#include "engine/player_state.h"
#include "settings/settings_record.h"

// What decides the events' times: the numeral, the layer-0 lengths and the top layer. The engine
// runs on whole milliseconds; on a session's beats, whose lengths are fractions of them, it runs
// on beat units (an alpha event kBeatUnits long) and `scale` turns its times into real ones.
struct LatticeRhythm {
    double numeral = 1.0;
    int32_t alphaMs = 0;   // in the engine's ms
    int32_t betaMs = 0;
    int32_t topLayer = 0;  // 0..7
    double scale = 1.0;    // real time per engine time

    bool operator==(const LatticeRhythm&) const = default;
    // The same events, whatever their real lengths.
    bool sameEvents(const LatticeRhythm& other) const
    {
        return numeral == other.numeral && alphaMs == other.alphaMs && betaMs == other.betaMs &&
               topLayer == other.topLayer;
    }
    Clock::Duration realTime(Clock::Duration engineTime) const;
    Clock::Duration engineTime(Clock::Duration realTime) const;
    // A layer-0 event's real length.
    Clock::Duration realLength(bool alpha) const;
};

// An alpha event in engine ms when the events follow a session's beats.
inline constexpr int32_t kBeatUnits = 60000;

// One event of one layer, as a cell of the view.
struct LatticeCell {
    int32_t layer = 0;
    bool alpha = false;
    uint32_t index = 0;        // the event's number in its layer (the layer's counter before it)
    Clock::Duration start{};
    Clock::Duration end{};
    bool endKnown = true;      // false: the event lasts at least until `end`
};

// The rhythm of a copy of `settings` as an accepted concept sets it: the exact preset value, the
// durations scaled by the tempo, the top layer.
LatticeRhythm rhythmFromSettings(const SettingsRecord& settings);

// The rhythm the player is playing now (its fields as the generator reads them).
LatticeRhythm rhythmFromPlayer(const PlayerState& player, int32_t layerIndex);

// `own` on a session's beats: an alpha event `alphaMs` long (beat_multiple.h), a beta event
// `betaBeats` of it. `own` unchanged when `alphaMs` is not positive.
LatticeRhythm rhythmOnBeats(LatticeRhythm own, double alphaMs, double betaBeats);

// A damaged file can make one layer-0 length millions of times the other. The engine is run for at
// most this many of the shorter events (cells narrower than a pixel at any width beyond that), so
// the view's work stays bounded.
inline constexpr long kLatticeEventLimit = 4096;

// The cells Play would play from `counters`, passes back to back from time 0 up to `horizon`.
// Cells still running at the horizon are cut there and marked open.
std::vector<LatticeCell> previewCells(const LatticeRhythm& rhythm, const LayerCounters& counters,
                                      Clock::Duration horizon);

// The length of the event of `layer` whose test left the counters at `counters`: the alpha or
// beta length at layer 0, one whole cycle of the layer below otherwise. Nothing when it lasts
// longer than `limit` (the engine stops looking there).
std::optional<Clock::Duration> eventLength(const LatticeRhythm& rhythm, int32_t layer, bool alpha,
                                           const LayerCounters& counters, Clock::Duration limit);
