// The coming events while playing: the engine run on a virtual clock from the start of the pass in
// progress, anchored at that pass's first note-on and moved to each note it foresaw (so a tempo
// change of a session moves the coming events with it). No Qt, UI thread.
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

    // A foreseen note may land this far from where the forecast put it (a session's clock is
    // estimated afresh); one after a change of the real lengths, within half the shorter event.
    static constexpr Clock::Duration kTolerance = std::chrono::milliseconds(1);

    // Every note from the feed, in order, with the rhythm played: a top-layer note after the top
    // layer's beta (or its very first) starts a pass and anchors the forecast. A note the forecast
    // did not foresee (a pass stopped and resumed, a wait cut short) drops it until the next pass.
    void observe(const LatticeNote& note, const LatticeRhythm& rhythm);

    // The forecast cells starting after `after` and before `until`; none while no pass is anchored.
    std::vector<LatticeCell> coming(const LatticeRhythm& rhythm, Clock::Duration after, Clock::Duration until);

    bool anchored() const { return passStart_.has_value(); }

private:
    void extend(const LatticeRhythm& rhythm, Clock::Duration reach);
    bool foresaw(const LatticeNote& note, const LatticeRhythm& rhythm);
    Clock::Duration realAt(Clock::Duration engineTime) const;

    std::optional<Clock::Duration> passStart_;
    // The newest foreseen note: its real time and its cell's engine time from the pass's start.
    Clock::Duration anchorReal_{}, anchorEngine_{};
    double anchorScale_ = 1.0;  // the real lengths the anchor was set with
    LayerCounters passCounters_{};  // the counters before the pass's first test
    int32_t topLayer_ = -1;
    bool topSeen_ = false;
    bool lastTopAlpha_ = false;
    LatticeRhythm rhythm_{};
    std::vector<LatticeCell> cells_;  // engine times from the pass's start
    Clock::Duration horizon_{};       // how far cells_ reaches, in engine time
};
