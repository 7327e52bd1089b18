// MIDI clock inside the pacer's waits: Start, then 24 ticks per beat on the beats the events
// follow, none doubled and none left out when those beats change. Playback thread only.
#pragma once

#include <cstdint>

#include "engine/beat_timeline.h"

struct PlayerState;

class ClockTicker {
public:
    void attach(PlayerState* player) { player_ = player; }

    // Sends Start at `at`; the first tick is `beat` (it goes with the first note, at the same time).
    void start(double beat, Clock::Duration at);
    // The beats were renumbered (Link switched on while playing): the ticks go on at the new
    // line's 1/24 beats, the next one at least half a tick after the last one sent.
    void follow(const BeatLine& line);
    // Sends the ticks due up to `until` on `line`, each at its own time; ticks a stall made late go
    // too, so the count from Start stays 24 per beat.
    void sendUpTo(const BeatLine& line, Clock::Duration until);
    // When the next tick is due on `line`.
    Clock::Duration nextTime(const BeatLine& line) const;

private:
    double nextBeat() const { return originBeat_ + static_cast<double>(index_) / kTicksPerBeat; }

    static constexpr int kTicksPerBeat = 24;
    PlayerState* player_ = nullptr;
    double originBeat_ = 0.0;  // the beat index_ counts ticks from (0..23)
    int64_t index_ = 0;
    Clock::Duration lastSent_{};  // the last tick's time, or Start's before the first tick
    bool tickSent_ = false;
};
