#include "engine/clock_ticker.h"

#include "engine/midi_port.h"
#include "engine/session_sync.h"

static_assert(kClockTicksPerBeat == 24);

void ClockTicker::start(double beat, Clock::Duration at)
{
    originBeat_ = beat;
    index_ = 0;
    lastSent_ = at;
    tickSent_ = false;
    sendShortMessage(*player_, kMidiClockStart, 0, 0, at);
}

void ClockTicker::follow(const BeatLine& line)
{
    if (!(line.bpm > 0.0))
        return;
    // Before the first tick the first one is Start's own; after it, half a tick's room.
    const double from = line.beatAt(lastSent_) + (tickSent_ ? 0.5 / kTicksPerBeat : -1e-9);
    const double tick = std::ceil(from * kTicksPerBeat);
    originBeat_ = std::floor(tick / kTicksPerBeat);
    index_ = static_cast<int64_t>(std::llround(tick - originBeat_ * kTicksPerBeat));
}

Clock::Duration ClockTicker::nextTime(const BeatLine& line) const
{
    return line.timeAt(nextBeat());
}

void ClockTicker::sendUpTo(const BeatLine& line, Clock::Duration until)
{
    for (Clock::Duration due = nextTime(line); due <= until; due = nextTime(line)) {
        sendShortMessage(*player_, kMidiClockTick, 0, 0, due);
        lastSent_ = due;
        tickSent_ = true;
        if (++index_ == kTicksPerBeat) {  // whole beats keep the numbers small
            index_ = 0;
            originBeat_ += 1.0;
        }
    }
}
