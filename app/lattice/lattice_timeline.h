// The cells the lattice view has seen played: built from the feed's note-ons, each layer's newest
// cell lasting as long as the engine says its event does. No Qt, UI thread.
#pragma once

#include <array>
#include <deque>
#include <vector>

#include "app/lattice/lattice_rhythm.h"
#include "engine/lattice_feed.h"

class LatticeTimeline {
public:
    // Events longer than this are drawn as lasting on (the engine is not asked beyond it).
    static constexpr Clock::Duration kLengthLimit = std::chrono::minutes(10);

    // A note-on from the feed: the layer's previous cell ends where this one starts.
    void add(const LatticeNote& note, const LatticeRhythm& rhythm);

    // Forgets the cells that ended before `time`.
    void forgetBefore(Clock::Duration time);

    void clear();

    // Every layer's cells, oldest first within a layer.
    std::vector<LatticeCell> cells() const;

    // The counters after the newest note-on.
    const LayerCounters& counters() const { return counters_; }

    // The end of the newest layer-0 cell: until then the pass is still sounding.
    Clock::Duration soundingUntil() const;

private:
    std::array<std::deque<LatticeCell>, kLayerCount> layers_;
    LayerCounters counters_{};
};
