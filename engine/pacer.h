// Layer-0 waits against absolute deadlines: each event ends at the previous event's end plus its
// length, so send time and oversleep never add up. Playback thread only.
#pragma once

#include <cstdint>

#include "engine/clock.h"

class Pacer {
public:
    explicit Pacer(Clock& clock) : clock_(clock) {}

    // Waits `ms` milliseconds after the end of the previous wait. Negative lengths (possible only
    // with damaged settings) wait nothing.
    void waitMs(int32_t ms);

    // Starts the next wait from "now": called after the thread was blocked, so nothing is played
    // in a burst to catch up.
    void reanchor() { anchored_ = false; }

    Clock& clock() { return clock_; }

private:
    // A wait that begins later than this behind its deadline re-anchors by itself (the thread was
    // blocked, for example by an error box raised while sending).
    static constexpr Clock::Duration kBlockedThreshold = std::chrono::milliseconds(50);

    Clock& clock_;
    Clock::Duration deadline_{};
    bool anchored_ = false;
};
