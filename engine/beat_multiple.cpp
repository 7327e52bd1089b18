#include "engine/beat_multiple.h"

#include <cmath>

#include "settings/rhythm_units.h"

namespace {

// A choice made afresh lies this far inside the own lengths, so a tempo wandering about a bound
// keeps it (for one beat per event: out below 62.5 or above 937.5 BPM, back above 78 or below 750).
constexpr double kMargin = 1.25;
// 1/16 to 16 beats per event covers every tempo from 4 to 15000 BPM.
constexpr int kMostHalvings = 4;

bool fits(double eventMs, double margin)
{
    return eventMs >= shortestOwnEventMs() * margin && eventMs <= longestOwnEventMs() / margin;
}

// The multiple nearest to one beat whose event fits with the margin; at tempi beyond every
// multiple, the extreme one.
double preferredAt(double beatMs)
{
    for (int steps = 0; steps <= kMostHalvings; ++steps) {
        const double longer = std::ldexp(1.0, steps), shorter = std::ldexp(1.0, -steps);
        if (fits(beatMs * longer, kMargin))
            return longer;
        if (fits(beatMs * shorter, kMargin))
            return shorter;
    }
    return std::ldexp(1.0, beatMs < shortestOwnEventMs() ? kMostHalvings : -kMostHalvings);
}

}  // namespace

double shortestOwnEventMs()
{
    return scaledDurationMs(kMinimumTempo, kMinimumDuration);
}

double longestOwnEventMs()
{
    return scaledDurationMs(kMaximumTempo, kMaximumDuration);
}

double beatsPerEventAt(double bpm, double current, bool onBarLine)
{
    if (!(bpm > 0.0) || !std::isfinite(bpm))
        return current;
    const double beatMs = 60000.0 / bpm;
    const double preferred = preferredAt(beatMs);
    if (!fits(beatMs * current, 1.0))
        return preferred;
    if (onBarLine && std::abs(std::log2(preferred)) < std::abs(std::log2(current)))
        return preferred;
    return current;
}

std::string beatsPerEventText(double beatsPerEvent)
{
    if (beatsPerEvent > 1.0)
        return "1 event per " + std::to_string(std::lround(beatsPerEvent)) + " beats";
    if (beatsPerEvent < 1.0)
        return std::to_string(std::lround(1.0 / beatsPerEvent)) + " events per beat";
    return {};
}
