#include "app/lattice/lattice_forecast.h"

#include <algorithm>

void LatticeForecast::observe(const LatticeNote& note, const LatticeRhythm& rhythm)
{
    const int32_t topLayer = rhythm.topLayer;
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
            anchorReal_ = note.time;
            anchorEngine_ = Clock::Duration::zero();
            anchorScale_ = rhythm.scale;
            passCounters_ = note.counters;
            passCounters_[topLayer] -= 1u;
            cells_.clear();
            horizon_ = Clock::Duration::zero();
            return;
        }
    }
    if (passStart_ && !foresaw(note, rhythm))
        passStart_.reset();
}

Clock::Duration LatticeForecast::realAt(Clock::Duration engineTime) const
{
    LatticeRhythm scaled;
    scaled.scale = rhythm_.scale;
    return anchorReal_ + scaled.realTime(engineTime - anchorEngine_);
}

bool LatticeForecast::foresaw(const LatticeNote& note, const LatticeRhythm& rhythm)
{
    LatticeRhythm anchored = rhythm;
    anchored.scale = anchorScale_;
    const Clock::Duration at = anchorEngine_ + anchored.engineTime(note.time - anchorReal_);
    const auto cell = std::find_if(cells_.begin(), cells_.end(), [&](const LatticeCell& c) {
        return c.layer == note.layer && c.index == note.index() && c.alpha == note.alpha;
    });
    if (cell == cells_.end())
        return at >= horizon_;  // not computed that far: nothing to compare with
    // The lengths changed since the anchor (a session's tempo): the event in flight changed
    // with them, somewhere within it.
    const Clock::Duration tolerance = rhythm.scale == anchorScale_
                                          ? kTolerance
                                          : std::min(rhythm.realLength(true), rhythm.realLength(false)) / 2;
    const Clock::Duration foreseen = anchorReal_ + anchored.realTime(cell->start - anchorEngine_);
    if (note.time - foreseen > tolerance || foreseen - note.time > tolerance)
        return false;
    anchorReal_ = note.time;
    anchorEngine_ = cell->start;
    anchorScale_ = rhythm.scale;
    return true;
}

void LatticeForecast::extend(const LatticeRhythm& rhythm, Clock::Duration reach)
{
    const bool computed = rhythm.sameEvents(rhythm_) && reach <= horizon_;
    rhythm_ = rhythm;  // the real lengths in force: only they changed when the tempo did
    if (computed)
        return;
    horizon_ = std::max({reach, 2 * horizon_, rhythm.engineTime(std::chrono::seconds(10))});
    LatticeRhythm engine = rhythm;
    engine.scale = 1.0;
    cells_ = previewCells(engine, passCounters_, horizon_);
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
    extend(rhythm, anchorEngine_ + rhythm.engineTime(until - anchorReal_));
    for (LatticeCell cell : cells_) {
        cell.start = realAt(cell.start);
        cell.end = cell.endKnown ? realAt(cell.end) : until;
        if (cell.start > after && cell.start < until)
            coming.push_back(cell);
    }
    return coming;
}
