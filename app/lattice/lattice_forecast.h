// The coming events while playing: the engine run on a virtual clock from the start of the pass in
// progress, anchored at that pass's first note-on. No Qt, UI thread.
#pragma once

#include <optional>
#include <vector>

#include "app/lattice/lattice_rhythm.h"
#include "engine/lattice_feed.h"

class LatticeForecast {
public:
    // Passes further on than this from their start are not forecast (numerals close to 1 make
    // passes of many hours).
    static constexpr Clock::Duration kReach = std::chrono::minutes(30);

    // Every note from the feed, in order: a top-layer note after the top layer's beta (or its very
    // first) starts a pass and anchors the forecast. A note the forecast did not foresee (a pass
    // stopped and resumed, a wait cut short) drops it until the next pass starts.
    void observe(const LatticeNote& note, int32_t topLayer);

    // The forecast cells starting after `after` and before `until`; none while no pass is anchored.
    std::vector<LatticeCell> coming(const LatticeRhythm& rhythm, Clock::Duration after, Clock::Duration until);

    bool anchored() const { return passStart_.has_value(); }

private:
    void extend(const LatticeRhythm& rhythm, Clock::Duration reach);
    bool foresaw(const LatticeNote& note) const;

    std::optional<Clock::Duration> passStart_;
    LayerCounters passCounters_{};  // the counters before the pass's first test
    int32_t topLayer_ = -1;
    bool topSeen_ = false;
    bool lastTopAlpha_ = false;
    LatticeRhythm rhythm_{};
    std::vector<LatticeCell> cells_;  // times from the pass's start
    Clock::Duration horizon_{};       // how far cells_ reaches
};
