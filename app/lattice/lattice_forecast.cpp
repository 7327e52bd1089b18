#include "app/lattice/lattice_forecast.h"

#include <algorithm>

void LatticeForecast::observe(const LatticeNote& note, int32_t topLayer)
{
    if (note.layer > topLayer || topLayer != topLayer_) {
        topLayer_ = topLayer;
        topSeen_ = false;
        passStart_.reset();
        if (note.layer > topLayer)
            return;
    }
    if (note.layer == topLayer) {
        const bool startsPass = topSeen_ ? !lastTopAlpha_ : note.index() == 0;
        topSeen_ = true;
        lastTopAlpha_ = note.alpha;
        if (startsPass) {
            passStart_ = note.time;
            passCounters_ = note.counters;
            passCounters_[topLayer] -= 1u;
            cells_.clear();
            horizon_ = Clock::Duration::zero();
            return;
        }
    }
    if (passStart_ && !foresaw(note))
        passStart_.reset();
}

bool LatticeForecast::foresaw(const LatticeNote& note) const
{
    const Clock::Duration at = note.time - *passStart_;
    if (at >= horizon_)
        return true;  // not computed that far: nothing to compare with
    return std::any_of(cells_.begin(), cells_.end(), [&](const LatticeCell& c) {
        return c.layer == note.layer && c.index == note.index() && c.alpha == note.alpha && c.start == at;
    });
}

void LatticeForecast::extend(const LatticeRhythm& rhythm, Clock::Duration reach)
{
    if (rhythm == rhythm_ && reach <= horizon_)
        return;
    rhythm_ = rhythm;
    horizon_ = std::max({reach, 2 * horizon_, Clock::Duration(std::chrono::seconds(10))});
    cells_ = previewCells(rhythm, passCounters_, horizon_);
}

std::vector<LatticeCell> LatticeForecast::coming(const LatticeRhythm& rhythm, Clock::Duration after,
                                                 Clock::Duration until)
{
    std::vector<LatticeCell> coming;
    if (!passStart_)
        return coming;
    if (until - *passStart_ > kReach) {
        passStart_.reset();
        return coming;
    }
    extend(rhythm, until - *passStart_);
    for (LatticeCell cell : cells_) {
        cell.start += *passStart_;
        cell.end += *passStart_;
        if (cell.start > after && cell.start < until)
            coming.push_back(cell);
    }
    return coming;
}
