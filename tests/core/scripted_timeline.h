// A Link session for tests: a beat grid with scripted tempo changes, on the test's clock. Session
// beats count from time 0 at the given tempo; our beat 0 sits where a start put it.
#pragma once

#include <cmath>
#include <vector>

#include "engine/beat_timeline.h"

class ScriptedTimeline : public BeatTimeline {
public:
    ScriptedTimeline(Clock& clock, double bpm) : clock_(clock) { segments_.push_back({Clock::Duration::zero(), 0.0, bpm}); }

    // From `at` on, the session plays at `bpm`; the beat at `at` stays where it was.
    void changeTempo(Clock::Duration at, double bpm) { segments_.push_back({at, sessionBeat(at), bpm}); }

    // Session beats (bar lines at multiples of 4) and times, whatever our beat 0 is.
    double sessionBeat(Clock::Duration t) const
    {
        const Segment& s = segmentAtTime(t);
        return s.beat + std::chrono::duration<double>(t - s.time).count() * s.bpm / 60.0;
    }
    Clock::Duration sessionTime(double beat) const
    {
        const Segment* s = &segments_.front();
        for (const Segment& candidate : segments_)
            if (candidate.beat <= beat)
                s = &candidate;
        return s->time + Clock::Duration(std::llround((beat - s->beat) * 60.0 / s->bpm * 1e9));
    }

    void setEnabled(bool on) override { enabled = on; }
    double tempo() override { return segments_.back().bpm; }
    double beatAtTime(Clock::Duration time, double) override { return sessionBeat(time) - origin; }
    Clock::Duration timeAtBeat(double beat, double) override { return sessionTime(beat + origin); }
    bool transportPlaying() override { return playing; }
    std::size_t peerCount() override { return peers; }
    void setTempo(double bpm) override
    {
        changeTempo(clock_.now(), bpm);
        sent.push_back(bpm);
    }
    void requestStart(Clock::Duration earliest) override
    {
        const double at = sessionBeat(earliest);
        origin = peers == 0 ? at : std::ceil(at / kBarBeats) * kBarBeats;
        playing = true;
        ++starts;
    }
    void alignToStart() override { origin = std::ceil(sessionBeat(peerStartTime) / kBarBeats) * kBarBeats; }
    void requestStop() override
    {
        playing = false;
        ++stops;
    }

    // A peer's start or stop.
    void peerStarts(Clock::Duration at)
    {
        playing = true;
        peerStartTime = at;
    }
    void peerStops() { playing = false; }

    bool enabled = false;
    bool playing = false;
    std::size_t peers = 0;
    double origin = 0.0;  // the session beat that is our beat 0
    int starts = 0, stops = 0;
    std::vector<double> sent;  // tempos we sent
    Clock::Duration peerStartTime{};

private:
    struct Segment {
        Clock::Duration time;
        double beat;
        double bpm;
    };
    const Segment& segmentAtTime(Clock::Duration t) const
    {
        const Segment* s = &segments_.front();
        for (const Segment& candidate : segments_)
            if (candidate.time <= t)
                s = &candidate;
        return *s;
    }
    Clock& clock_;
    std::vector<Segment> segments_;
};
