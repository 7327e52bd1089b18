// Layer-0 waits against absolute deadlines: each event ends at the previous event's end plus its
// length, so send time and oversleep never add up. Playback thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/clock.h"

class Pacer {
public:
    // `blockedCount`, when given, is a counter that grows whenever this thread was blocked
    // elsewhere (an error box while sending): the next wait then starts from now.
    explicit Pacer(Clock& clock, const std::atomic<uint32_t>* blockedCount = nullptr)
        : clock_(clock), blockedCount_(blockedCount)
    {
    }

    // Waits `ms` milliseconds after the end of the previous wait. Negative lengths (possible only
    // with damaged settings) wait nothing.
    void waitMs(int32_t ms);

    // Starts the next wait from "now": called after the thread was blocked, so nothing is played
    // in a burst to catch up.
    void reanchor() { anchored_ = false; }

    Clock& clock() { return clock_; }

    // When the event about to start is meant to begin: the end of the previous wait, or "now"
    // while no wait is anchored (only the first event after a block reads the clock).
    Clock::Duration nextEventStart() { return anchored_ ? deadline_ : clock_.now(); }

private:
    Clock& clock_;
    const std::atomic<uint32_t>* blockedCount_;
    uint32_t lastBlockedCount_ = 0;
    Clock::Duration deadline_{};
    bool anchored_ = false;
};
