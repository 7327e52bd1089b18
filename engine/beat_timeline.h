// A beat timeline shared with other programs (a Link session) as the engine sees it: tempo, the
// beat at a time and back, the transport and the peers. Times are on the playback thread's clock.
// The real one lives in platform/sound; tests script one on a virtual clock. The UI thread uses
// the functions above captureLine; the playback thread only captureLine, commitBeatAtTime and
// peerCount.
#pragma once

#include <cmath>
#include <cstddef>

#include "engine/clock.h"

// Beats in a bar: starts wait for the next bar line, so a downbeat meets the session's.
inline constexpr double kBarBeats = 4.0;

// The beats as one look at the session saw them: a straight line through `beat` at `time` with
// the tempo's slope. Until the tempo changes, every later beat lies on it.
struct BeatLine {
    Clock::Duration time{};
    double beat = 0.0;
    double bpm = 0.0;  // beats per minute; 0: no beats (damaged durations)

    double beatAt(Clock::Duration t) const { return beat + std::chrono::duration<double>(t - time).count() * bpm / 60.0; }
    Clock::Duration timeAt(double b) const
    {
        if (!(bpm > 0.0))
            return Clock::Duration::max();
        return time + Clock::Duration(std::llround((b - beat) * 60.0e9 / bpm));
    }
};

class BeatTimeline {
public:
    virtual ~BeatTimeline() = default;

    // Joins or leaves the session (with start/stop sync while joined).
    virtual void setEnabled(bool enabled) = 0;

    virtual double tempo() = 0;  // beats per minute
    // The beat at `time` and the time of `beat`; their phase in a bar of `quantum` beats is the
    // session's, the beat numbers are our own.
    virtual double beatAtTime(Clock::Duration time, double quantum) = 0;
    virtual Clock::Duration timeAtBeat(double beat, double quantum) = 0;
    virtual bool transportPlaying() = 0;
    // When the transport last started or stopped.
    virtual Clock::Duration transportChangedAt() = 0;
    virtual std::size_t peerCount() = 0;

    // Sets the session's tempo from now on; with no peers the session simply takes it.
    virtual void setTempo(double bpm) = 0;
    // Starts the transport with beat 0 at `earliest`, or with peers at the next bar line after it.
    virtual void requestStart(Clock::Duration earliest) = 0;
    // A peer started the transport: our beat 0 goes to the bar line at or after its start.
    virtual void alignToStart() = 0;
    virtual void requestStop() = 0;

    // Playback thread only, once per wake: the session's beats now (our numbering, the phase in a
    // bar of `quantum` beats the session's), through Link's audio-thread capture.
    virtual BeatLine captureLine(Clock::Duration now, double quantum) = 0;
    // Playback thread only: our beat `beat` falls at `time`. Alone in the session this moves the
    // session's beats there; with peers it renumbers ours and keeps the session's phase.
    virtual void commitBeatAtTime(double beat, Clock::Duration time, double quantum) = 0;
};
