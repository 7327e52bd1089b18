// The Link session behind the engine's beat timeline. Link's own clock on Linux is
// CLOCK_MONOTONIC_RAW in microseconds; the playback thread is paced by the steady clock
// (CLOCK_MONOTONIC), so every time crossing over is converted from the two clocks read side by side.
#pragma once

#include <chrono>
#include <memory>

#include "engine/beat_timeline.h"

class LinkSession : public BeatTimeline {
public:
    // Not joined until setEnabled(true). `bpm`: the tempo the session starts from when alone.
    explicit LinkSession(double bpm = 120.0);
    ~LinkSession() override;
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    void setEnabled(bool enabled) override;
    double tempo() override;
    double beatAtTime(Clock::Duration time, double quantum) override;
    Clock::Duration timeAtBeat(double beat, double quantum) override;
    bool transportPlaying() override;
    Clock::Duration transportChangedAt() override;
    std::size_t peerCount() override;
    void setTempo(double bpm) override;
    void requestStart(Clock::Duration earliest) override;
    void alignToStart() override;
    void requestStop() override;
    BeatLine captureLine(Clock::Duration now, double quantum) override;
    void commitBeatAtTime(double beat, Clock::Duration time, double quantum) override;

    struct Impl;  // keeps Link's and asio's headers out of the files that include this one

private:
    std::unique_ptr<Impl> impl_;
};

// Steady-clock time (ns since its epoch) to Link's time (µs on CLOCK_MONOTONIC_RAW), rounded to
// the microsecond, and back. Any thread.
std::chrono::microseconds linkTimeFromSteady(Clock::Duration steady);
Clock::Duration steadyFromLinkTime(std::chrono::microseconds link);
