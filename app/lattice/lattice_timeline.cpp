#include "app/lattice/lattice_timeline.h"

#include <algorithm>

void LatticeTimeline::add(const LatticeNote& note, const LatticeRhythm& rhythm)
{
    if (note.layer < 0 || note.layer >= kLayerCount)
        return;
    std::deque<LatticeCell>& cells = layers_[note.layer];
    if (!cells.empty() && cells.back().end > note.time) {
        cells.back().end = std::max(cells.back().start, note.time);  // cut short, as a stopped pass does
        cells.back().endKnown = true;
    }
    const std::optional<Clock::Duration> length =
        eventLength(rhythm, note.layer, note.alpha, note.counters, kLengthLimit);
    cells.push_back({note.layer, note.alpha, note.index(), note.time, note.time + length.value_or(kLengthLimit),
                     length.has_value()});
    counters_ = note.counters;
}

void LatticeTimeline::forgetBefore(Clock::Duration time)
{
    for (std::deque<LatticeCell>& cells : layers_)
        while (!cells.empty() && cells.front().end < time)
            cells.pop_front();
}

void LatticeTimeline::clear()
{
    for (std::deque<LatticeCell>& cells : layers_)
        cells.clear();
}

std::vector<LatticeCell> LatticeTimeline::cells() const
{
    std::vector<LatticeCell> all;
    for (const std::deque<LatticeCell>& cells : layers_)
        all.insert(all.end(), cells.begin(), cells.end());
    return all;
}

Clock::Duration LatticeTimeline::soundingUntil() const
{
    return layers_[0].empty() ? Clock::Duration::min() : layers_[0].back().end;
}
