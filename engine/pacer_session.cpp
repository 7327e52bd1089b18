// The pacer's session part: layer-0 events on a shared beat grid, and MIDI clock ticks inside
// the waits. Playback thread only.
#include "engine/pacer.h"

#include <algorithm>
#include <cmath>

#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "engine/session_sync.h"

namespace {

// On the grid the deadline is asked afresh at least this often, so a tempo change by a peer
// moves the next event within this time.
constexpr Clock::Duration kGridSlice = std::chrono::milliseconds(2);

// A tick due longer ago than this (the thread was held up) is dropped: a burst of clock would
// race the receiver's tempo.
constexpr Clock::Duration kLateTickLimit = std::chrono::milliseconds(50);

}  // namespace

Clock::Duration Pacer::gridTime(double beat)
{
    // Sent early by the output's latency, so the message sounds at the beat's session time.
    return gridTimeline_->timeAtBeat(beat, kBarBeats) - portLatency(*player_);
}

bool Pacer::clockWanted()
{
    return session_->clocking() && get(player_->playing) != 0 && get(player_->deviceId) != -1;
}

void Pacer::sendClock(int status, Clock::Duration at)
{
    sendShortMessage(*player_, status, 0, 0, at);
}

Clock::Duration Pacer::nextTickTime()
{
    if (tickOnGrid_)
        return gridTime(tickOriginBeat_ + static_cast<double>(tickIndex_) / kClockTicksPerBeat);
    if (tickAlphaMs_ <= 0)
        return Clock::Duration::max();  // damaged durations: no beat to mark
    return tickOrigin_ + Clock::Duration(tickIndex_ * int64_t{tickAlphaMs_} * 1'000'000 / kClockTicksPerBeat);
}

void Pacer::advanceTick()
{
    if (++tickIndex_ < kClockTicksPerBeat)
        return;
    // A new beat: the grid is laid afresh from it, so the numbers stay small and a changed
    // alpha duration takes effect at the beat.
    tickIndex_ = 0;
    if (tickOnGrid_) {
        tickOriginBeat_ += 1.0;
    } else {
        tickOrigin_ += std::chrono::milliseconds(tickAlphaMs_);
        tickAlphaMs_ = get(player_->alphaMs);
    }
}

// From the start of the event in progress (deadline_, or beat_ on the grid).
void Pacer::layTicksFromHere()
{
    tickIndex_ = 0;
    tickOnGrid_ = onGrid_;
    tickOriginBeat_ = beat_;
    tickOrigin_ = deadline_;
    tickAlphaMs_ = get(player_->alphaMs);
}

void Pacer::startTicks()
{
    ticking_ = true;
    layTicksFromHere();
    sendClock(kMidiClockStart, deadline_);  // the first tick follows at the same time
}

void Pacer::sleepTo(Clock::Duration deadline)
{
    if (!session_ || !player_ || !ticking_) {
        clock_.sleepUntil(deadline);
        return;
    }
    waitUntil(false, 0.0, deadline, nullptr);
}

bool Pacer::waitUntil(bool grid, double beat, Clock::Duration fixed, const std::atomic<int32_t>* playing)
{
    for (;;) {
        if (abandoned())
            return false;
        if (playing && playing->load(std::memory_order_relaxed) == 0)
            return false;
        const Clock::Duration deadline = grid ? gridTime(beat) : fixed;
        const Clock::Duration now = clock_.now();
        Clock::Duration wake = deadline;
        if (ticking_ && clockWanted()) {
            const Clock::Duration tick = nextTickTime();
            if (tick <= deadline) {
                if (tick <= now) {
                    if (now - tick <= kLateTickLimit)
                        sendClock(kMidiClockTick, tick);
                    advanceTick();
                    continue;
                }
                wake = tick;
            }
        }
        if (wake == deadline && deadline <= now) {
            deadline_ = deadline;
            return true;
        }
        clock_.sleepUntil(grid ? std::min(wake, now + kGridSlice) : wake);
    }
}

bool Pacer::beginPass(const std::atomic<int32_t>& playing)
{
    if (!session_ || !player_ || anchored_)
        return true;  // passes back to back go on where the last one ended
    ticking_ = false;
    onGrid_ = false;
    if (BeatTimeline* grid = session_->grid()) {
        gridTimeline_ = grid;
        // The first bar line at or after our beat 0 that is still ahead of the output.
        const double ahead = grid->beatAtTime(clock_.now() + portLatency(*player_), kBarBeats);
        const double start = std::max(0.0, std::ceil(ahead / kBarBeats) * kBarBeats);
        if (!waitUntil(true, start, {}, &playing))
            return false;
        onGrid_ = true;
        beat_ = start;
        anchored_ = true;
    } else if (clockWanted()) {
        // The clock's first tick goes with the first note: pace from now.
        deadline_ = clock_.now();
        anchored_ = true;
    }
    if (anchored_ && clockWanted())
        startTicks();  // Start goes before the first note
    return true;
}

void Pacer::waitEvent(int32_t ms, bool alpha)
{
    if (!session_ || !player_) {
        waitMs(ms);
        return;
    }
    if (!clockWanted())
        ticking_ = false;
    else if (!ticking_ && anchored_)
        startTicks();  // the clock was turned on while playing: it starts with this event

    BeatTimeline* grid = session_->grid();
    if (!grid) {
        if (onGrid_) {
            onGrid_ = false;  // Link turned off while playing: durations from here on
            if (ticking_)
                layTicksFromHere();
        }
        waitMs(ms);
        return;
    }

    BeatTimeline& timeline = *grid;
    const Clock::Duration now = clock_.now();
    const Clock::Duration latency = portLatency(*player_);
    if (!onGrid_ || !anchored_ || grid != gridTimeline_) {
        // Link (or following a clock) turned on while playing: this event ends on the next beat,
        // and the grid runs on.
        gridTimeline_ = grid;
        const Clock::Duration from = anchored_ ? std::max(deadline_, now) : now;
        beat_ = std::ceil(timeline.beatAtTime(from + latency, kBarBeats));
        onGrid_ = true;
        anchored_ = true;
        if (ticking_)
            layTicksFromHere();
    } else {
        const double length = alpha ? 1.0 : session_->betaBeats.load(std::memory_order_relaxed);
        if (std::isfinite(length) && length > 0.0)
            beat_ += length;
        // After a stall the grid is met again at the next beat, without a burst.
        const double nowBeat = timeline.beatAtTime(now + latency, kBarBeats);
        if (beat_ < nowBeat - 1.0)
            beat_ = std::ceil(nowBeat);
    }
    waitUntil(true, beat_, {}, nullptr);
}
