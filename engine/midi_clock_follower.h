// Follows an external MIDI clock: its ticks, smoothed by a delay-locked loop, become a beat
// timeline the pacer plays on as it plays on a Link session's (24 ticks = one beat = one alpha
// event of the lowest layer), and its Start, Continue and Stop become transport events the UI
// thread carries out. Messages arrive on the control input's thread; the playback thread reads
// the timeline; the UI thread reads the events. No locks: the timeline is published through a
// sequence counter, single writer.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/beat_timeline.h"
#include "engine/clock_message_sink.h"
#include "engine/tick_dll.h"

enum class ClockTransport : int32_t { None, Start, Continue, Stop };

// The latest transport message, numbered so the UI thread sees each one once.
struct ClockTransportEvent {
    uint32_t serial = 0;  // 0 until the first one
    ClockTransport kind = ClockTransport::None;
    int32_t songPosition = -1;  // for Continue: the Song Position Pointer before it (sixteenths), -1 none
};

class MidiClockFollower : public ClockMessageSink, public BeatTimeline {
public:
    // Beyond this many beats without a tick the clock counts as gone: we hold the last tempo.
    static constexpr double kHoldBeats = 2.0;

    // Receiving thread.
    void onClockMessage(uint8_t status, int32_t songPosition, Clock::Duration arrival) override;

    // BeatTimeline (playback and UI threads). Our beat 0 is where the UI thread last put it with
    // beginAtSongBeat; the quantum is not used (the clock carries no bar phase).
    void setEnabled(bool enabled) override;
    double tempo() override;
    double beatAtTime(Clock::Duration time, double quantum) override;
    Clock::Duration timeAtBeat(double beat, double quantum) override;
    bool transportPlaying() override { return running_.load(std::memory_order_acquire); }
    std::size_t peerCount() override { return locked() ? 1 : 0; }
    // The UI thread follows the clock's transport through lastTransport(), not through this.
    Clock::Duration transportChangedAt() override { return Clock::Duration{}; }
    // The beats now, as a line through the filtered tick grid (tempo 0 before the first ticks,
    // so a wait for a beat holds until they come).
    BeatLine captureLine(Clock::Duration now, double quantum) override
    {
        return {now, beatAtTime(now, quantum), tempo()};
    }
    // The clock owns its beats: nothing moves them.
    void commitBeatAtTime(double, Clock::Duration, double) override {}
    // The clock's sender owns the tempo and the transport: nothing to ask of it.
    void setTempo(double) override {}
    void requestStart(Clock::Duration) override {}
    void alignToStart() override {}
    void requestStop() override {}

    // UI thread, before it plays for a Start or Continue: our beat 0 is the sender's song beat
    // `songBeat` as its last Start or Continue counts them (after Start, 0 is the first tick).
    // Until then the beats stay numbered as they were, so a pass still draining keeps its grid.
    void beginAtSongBeat(double songBeat);
    ClockTransportEvent lastTransport() const;
    // Any thread: ticks have been seen since enabled (the tempo is known).
    bool locked() const { return lockedFlag_.load(std::memory_order_acquire); }
    // Any thread: the clock stopped ticking more than kHoldBeats ago; the last tempo holds.
    bool held(Clock::Duration now) const;

private:
    struct Grid {
        double tickTime = 0.0;   // ns: the filtered time of the latest tick
        double period = 0.0;     // ns per tick; 0 before the first tick
        double tickIndex = -1.0; // that tick's number, counted since enabled
    };
    void publish(const Grid& grid);
    Grid read() const;
    void tick(Clock::Duration arrival);
    void transport(ClockTransport kind);

    // Receiving thread only.
    TickDll dll_{0.05};
    Grid grid_;
    int64_t nextTick_ = 0;         // the number of the next tick
    int64_t songTick_ = 0;         // the sender's song position in ticks: moves only while running
    int32_t pendingPosition_ = -1; // a Song Position Pointer not yet used by a Continue
    double lastArrival_ = 0.0;
    double lastPeriod_ = 0.0;

    std::atomic<bool> enabled_{false};
    std::atomic<bool> restartPending_{false};  // enabled afresh: the loop starts over
    std::atomic<bool> running_{false};
    std::atomic<bool> lockedFlag_{false};
    std::atomic<double> zeroTick_{0.0};   // the tick number our beat 0 falls on (UI thread writes)
    std::atomic<double> songZeroTick_{0.0};  // the tick number of song position 0 since the last Start/Continue
    std::atomic<int64_t> lastArrivalNs_{0};
    std::atomic<uint32_t> sequence_{0};  // odd while the grid is written
    std::atomic<double> tickTime_{0.0}, period_{0.0}, tickIndex_{-1.0};
    std::atomic<uint64_t> transportEvent_{0};  // a ClockTransportEvent packed in one word
};
