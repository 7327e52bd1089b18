// A Link session's beat grid as a test's own peer saw it, sampled as it goes (Link refines its
// view of the session's clock by a few µs, so each event is judged by the grid known around its
// own time): where a time falls against the beats.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/beat_timeline.h"
#include "engine/clock.h"

class SessionGrid {
public:
    // One sample of the grid at `now` on the steady clock.
    void sample(BeatTimeline& timeline, Clock::Duration now)
    {
        samples_.push_back({now, timeline.beatAtTime(now, kBarBeats), timeline.tempo()});
    }
    bool empty() const { return samples_.empty(); }
    // Whether `t` falls between the first and the last sample.
    bool covers(Clock::Duration t) const
    {
        return !samples_.empty() && t >= samples_.front().time && t <= samples_.back().time;
    }

    // The beat at `t` (steady clock), by the sample nearest to it.
    double beatAt(Clock::Duration t) const
    {
        const Sample& s = nearest(t);
        return s.beat + static_cast<double>((t - s.time).count()) * s.bpm / 60e9;
    }
    // How far `t` is from the nearest of `perBeat` points per beat, in µs (negative: early).
    double errorUs(Clock::Duration t, int perBeat = 1) const
    {
        const double beat = beatAt(t);
        const double onGrid = std::round(beat * perBeat) / perBeat;
        return (beat - onGrid) * 60e6 / nearest(t).bpm;
    }

private:
    struct Sample {
        Clock::Duration time;
        double beat, bpm;
    };
    const Sample& nearest(Clock::Duration t) const
    {
        return *std::min_element(samples_.begin(), samples_.end(), [t](const Sample& a, const Sample& b) {
            return std::llabs((a.time - t).count()) < std::llabs((b.time - t).count());
        });
    }
    std::vector<Sample> samples_;
};
