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
    // From `at` on, the session's beat at `at` is `beat` (the tempo stays).
    void moveBeats(Clock::Duration at, double beat) { segments_.push_back({at, beat, segmentAtTime(at).bpm}); }

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

    // Joining: alone, the session starts at the tempo set while disabled; a session found keeps its own.
    void setEnabled(bool on) override
    {
        if (on && !enabled && peers == 0 && localBpm > 0.0)
            changeTempo(clock_.now(), localBpm);
        enabled = on;
    }
    double tempo() override { return segments_.back().bpm; }
    double beatAtTime(Clock::Duration time, double) override { return sessionBeat(time) - origin; }
    Clock::Duration timeAtBeat(double beat, double) override { return sessionTime(beat + origin); }
    bool transportPlaying() override { return playing; }
    Clock::Duration transportChangedAt() override { return peerStartTime; }
    std::size_t peerCount() override { return peers; }
    // While disabled only our own timeline has it; joined, it goes to every peer.
    void setTempo(double bpm) override
    {
        if (!enabled) {
            localBpm = bpm;
            return;
        }
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

    BeatLine captureLine(Clock::Duration now, double) override
    {
        ++captures;
        return {now, beatAtTime(now, kBarBeats), segmentAtTime(now).bpm};
    }
    void commitBeatAtTime(double beat, Clock::Duration time, double quantum) override
    {
        const double shift = beat + origin - sessionBeat(time);
        if (peers == 0)  // alone: the session's beats move from now on (forward only, as our use is)
            moveBeats(clock_.now(), sessionBeat(clock_.now()) + shift);
        else  // only our numbering moves, the phase stays
            origin -= std::round(shift / quantum) * quantum;
        ++commits;
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
    int captures = 0, commits = 0;  // the playback thread's looks and commits
    std::vector<double> sent;  // tempos we sent to the session
    double localBpm = 0.0;     // set while disabled
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
