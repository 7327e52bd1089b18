// What the UI thread and the playback thread share about playing with others: the Link session's
// timeline, an external MIDI clock's, and the switches for following them and for sending MIDI
// clock.
#pragma once

#include <atomic>

#include "engine/beat_timeline.h"
#include "engine/midi_clock_follower.h"

struct SessionSync {
    BeatTimeline* timeline = nullptr;  // none where Link is not available; set before the thread starts
    std::atomic<bool> linkOn{false};   // follow the session's tempo, phase and transport
    std::atomic<bool> clockOn{false};  // send MIDI clock on MIDI ports (not on the built-in synthesiser)
    // An external MIDI clock's timeline; none where there is no control input. Set before the thread starts.
    MidiClockFollower* clockFollower = nullptr;
    std::atomic<bool> followClockOn{false};  // follow the external clock (never together with linkOn)
    // A beta event of layer 0 in beats (an alpha event is one beat): betaEventBeats of the
    // durations, written by the UI thread whenever they change.
    std::atomic<double> betaBeats{1.0};
    // Written by the playback thread, read by the lattice view: the session beats per alpha event
    // (1, or a power of two where the session's beat is too short or too long for our own
    // durations), and an alpha event's length in ms while on the beats (0: the own durations).
    std::atomic<double> beatsPerEvent{1.0};
    std::atomic<double> alphaInForceMs{0.0};

    bool following() const { return timeline != nullptr && linkOn.load(std::memory_order_relaxed); }
    bool clocking() const { return clockOn.load(std::memory_order_relaxed); }
    bool followingClock() const { return clockFollower != nullptr && followClockOn.load(std::memory_order_relaxed); }
    // The beat grid layer-0 events follow: Link's session, the external clock's, or none.
    BeatTimeline* grid() const { return following() ? timeline : followingClock() ? clockFollower : nullptr; }
};

// MIDI clock: 24 ticks per beat; Start at the first note, Stop at Stop.
inline constexpr int kClockTicksPerBeat = 24;
inline constexpr int kMidiClockTick = 0xF8;
inline constexpr int kMidiClockStart = 0xFA;
inline constexpr int kMidiClockStop = 0xFC;
