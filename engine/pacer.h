// Layer-0 waits against absolute deadlines: each event ends at the previous event's end plus its
// length, so send time and oversleep never add up. Playback thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/clock.h"

class Pacer {
public:
    // `quit`, when given and non-zero, means the program is closing: waits return at once and the
    // generator leaves the pass.
    explicit Pacer(Clock& clock, const std::atomic<int32_t>* quit = nullptr) : clock_(clock), quit_(quit) {}

    // Waits `ms` milliseconds after the end of the previous wait. Negative lengths (possible only
    // with damaged settings) wait nothing. A deadline past the clock's range stays at its end.
    // When the event began longer than `ms` ago (the thread stalled, the machine was suspended),
    // the wait starts from now instead: the events missed are not played in a burst.
    void waitMs(int32_t ms);

    // Starts the next wait from "now": called after the thread was blocked, so nothing is played
    // in a burst to catch up.
    void reanchor() { anchored_ = false; }

    // When the messages sent now are meant to sound: the end of the last wait (the start of the
    // event in progress), or now when the pacing starts afresh.
    Clock::Duration eventTime();

    // True once the program is closing.
    bool abandoned() const { return quit_ && quit_->load(std::memory_order_relaxed) != 0; }

private:
    Clock& clock_;
    const std::atomic<int32_t>* quit_;
    Clock::Duration deadline_{};
    bool anchored_ = false;
};
