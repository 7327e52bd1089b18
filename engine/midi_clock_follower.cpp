#include "engine/midi_clock_follower.h"

#include <cmath>

#include "engine/session_sync.h"

namespace {

// Until two ticks give the period, the tempo a clock most often starts at: 120 BPM.
constexpr double kDefaultTickPeriodNs = 60e9 / 120.0 / kClockTicksPerBeat;
// A time no wait reaches: there is no tick yet to place a beat on.
constexpr Clock::Duration kNever = Clock::Duration::max() / 4;
// Song position pointers count sixteenth notes: six ticks each.
constexpr int64_t kTicksPerSixteenth = 6;

// The transport event in one word, so a reader never sees half of two: serial in bits 0-31, kind
// in 32-39, song position + 1 in 40-63.
uint64_t packEvent(uint32_t serial, ClockTransport kind, int32_t songPosition)
{
    return uint64_t{serial} | uint64_t(static_cast<uint8_t>(kind)) << 32 |
           uint64_t(static_cast<uint32_t>(songPosition + 1) & 0xFFFFFF) << 40;
}

}  // namespace

void MidiClockFollower::publish(const Grid& grid)
{
    const uint32_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);  // odd: being written
    std::atomic_thread_fence(std::memory_order_release);
    tickTime_.store(grid.tickTime, std::memory_order_relaxed);
    period_.store(grid.period, std::memory_order_relaxed);
    tickIndex_.store(grid.tickIndex, std::memory_order_relaxed);
    sequence_.store(sequence + 2, std::memory_order_release);
}

MidiClockFollower::Grid MidiClockFollower::read() const
{
    for (;;) {
        const uint32_t before = sequence_.load(std::memory_order_acquire);
        if (before % 2 != 0)
            continue;  // the receiving thread is writing: three stores
        Grid grid{tickTime_.load(std::memory_order_relaxed), period_.load(std::memory_order_relaxed),
                  tickIndex_.load(std::memory_order_relaxed)};
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before)
            return grid;
    }
}

void MidiClockFollower::onClockMessage(uint8_t status, int32_t songPosition, Clock::Duration arrival)
{
    if (!enabled_.load(std::memory_order_acquire))
        return;
    if (restartPending_.exchange(false, std::memory_order_acq_rel)) {
        dll_ = TickDll(0.05);
        lastPeriod_ = 0.0;
    }
    switch (status) {
    case kClockTickStatus: tick(arrival); break;
    case kClockStartStatus: transport(ClockTransport::Start); break;
    case kClockContinueStatus: transport(ClockTransport::Continue); break;
    case kClockStopStatus: transport(ClockTransport::Stop); break;
    case kSongPositionStatus:
        // Meaningful while stopped: where the next Continue starts.
        if (songPosition >= 0 && songPosition < 0x4000) {
            pendingPosition_ = songPosition;
            songTick_ = songPosition * kTicksPerSixteenth;
        }
        break;
    default: break;
    }
}

void MidiClockFollower::tick(Clock::Duration arrival)
{
    const double time = static_cast<double>(arrival.count());
    if (!dll_.started()) {
        dll_.reset(time, lastPeriod_ > 0.0 ? lastPeriod_ : kDefaultTickPeriodNs);
    } else if (time - lastArrival_ > kHoldBeats * kClockTicksPerBeat * dll_.period()) {
        // The clock comes back after a pause: the tick goes where the held tempo put the grid,
        // and the loop starts afresh from it.
        const double held = grid_.tickIndex + (time - grid_.tickTime) / dll_.period();
        nextTick_ = std::llround(held);
        dll_.reset(time, dll_.period());
    } else {
        dll_.update(time);
    }
    lastArrival_ = time;
    lastArrivalNs_.store(arrival.count(), std::memory_order_release);
    lastPeriod_ = dll_.period();
    grid_.tickTime = dll_.tickTime();
    grid_.period = dll_.period();
    grid_.tickIndex = static_cast<double>(nextTick_++);
    if (running_.load(std::memory_order_relaxed))
        ++songTick_;
    publish(grid_);
    if (dll_.ticksSinceReset() >= 2)
        lockedFlag_.store(true, std::memory_order_release);
}

void MidiClockFollower::transport(ClockTransport kind)
{
    int32_t position = -1;
    if (kind == ClockTransport::Start) {
        songTick_ = 0;
        pendingPosition_ = -1;
    } else if (kind == ClockTransport::Continue) {
        position = pendingPosition_;
        pendingPosition_ = -1;
    }
    if (kind != ClockTransport::Stop)  // song tick 0 sits where the next tick's song position says
        songZeroTick_.store(static_cast<double>(nextTick_ - songTick_), std::memory_order_release);
    running_.store(kind != ClockTransport::Stop, std::memory_order_release);
    const uint32_t serial = static_cast<uint32_t>(transportEvent_.load(std::memory_order_relaxed) & 0xFFFFFFFF) + 1;
    transportEvent_.store(packEvent(serial, kind, position), std::memory_order_release);
}

void MidiClockFollower::setEnabled(bool enabled)
{
    if (!enabled) {
        running_.store(false, std::memory_order_release);
        lockedFlag_.store(false, std::memory_order_release);
    }
    // The receiving thread starts its loop afresh at the first tick after this (it checks the
    // flag before touching anything).
    if (enabled && !enabled_.load(std::memory_order_acquire))
        restartPending_.store(true, std::memory_order_release);
    enabled_.store(enabled, std::memory_order_release);
}

double MidiClockFollower::tempo()
{
    const double period = read().period;
    return period > 0.0 ? 60e9 / (period * kClockTicksPerBeat) : 0.0;
}

void MidiClockFollower::beginAtSongBeat(double songBeat)
{
    zeroTick_.store(songZeroTick_.load(std::memory_order_acquire) + songBeat * kClockTicksPerBeat,
                    std::memory_order_release);
}

double MidiClockFollower::beatAtTime(Clock::Duration time, double)
{
    const Grid grid = read();
    const double zero = zeroTick_.load(std::memory_order_acquire);
    if (grid.period <= 0.0)
        return (grid.tickIndex - zero) / kClockTicksPerBeat;
    const double ticks = grid.tickIndex + (static_cast<double>(time.count()) - grid.tickTime) / grid.period;
    return (ticks - zero) / kClockTicksPerBeat;
}

Clock::Duration MidiClockFollower::timeAtBeat(double beat, double)
{
    const Grid grid = read();
    if (grid.period <= 0.0)
        return kNever;
    const double ticks = beat * kClockTicksPerBeat + zeroTick_.load(std::memory_order_acquire);
    return Clock::Duration(std::llround(grid.tickTime + (ticks - grid.tickIndex) * grid.period));
}

ClockTransportEvent MidiClockFollower::lastTransport() const
{
    const uint64_t word = transportEvent_.load(std::memory_order_acquire);
    return {static_cast<uint32_t>(word & 0xFFFFFFFF), static_cast<ClockTransport>((word >> 32) & 0xFF),
            static_cast<int32_t>((word >> 40) & 0xFFFFFF) - 1};
}

bool MidiClockFollower::held(Clock::Duration now) const
{
    if (!locked())
        return false;
    const double period = period_.load(std::memory_order_relaxed);
    const double silence = static_cast<double>(now.count() - lastArrivalNs_.load(std::memory_order_acquire));
    return silence > kHoldBeats * kClockTicksPerBeat * period;
}
