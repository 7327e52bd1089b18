#include "app/lattice/lattice_view_model.h"

#include "app/lattice/lattice_header.h"
#include "engine/beat_multiple.h"
#include "settings/rhythm_units.h"

double LatticeViewModel::alphaInForceMs(bool playing) const
{
    if (!session_)
        return 0.0;
    if (playing)
        return session_->alphaInForceMs.load(std::memory_order_relaxed);
    BeatTimeline* grid = session_->grid();
    if (!grid)
        return 0.0;
    const double bpm = grid->tempo();
    return bpm > 0.0 ? 60000.0 / bpm * beatsPerEventAt(bpm, 1.0, true) : 0.0;
}

LatticeRhythm LatticeViewModel::playedRhythm() const
{
    const LatticeRhythm own = rhythmFromPlayer(player_, working_.layerIndex);
    if (!session_)
        return own;
    return rhythmOnBeats(own, alphaInForceMs(true), session_->betaBeats.load(std::memory_order_relaxed));
}

LatticeRhythm LatticeViewModel::stoppedRhythm() const
{
    return rhythmOnBeats(rhythmFromSettings(working_), alphaInForceMs(false),
                         betaEventBeats(working_.alphaDuration, working_.betaDuration));
}

bool LatticeViewModel::noticeRewind()
{
    const uint32_t rewinds = player_.resume.rewinds();
    if (rewinds == rewindsSeen_)
        return false;
    rewindsSeen_ = rewinds;
    LatticeNote played;
    while (feed_.next(played)) {
    }  // everything announced so far came before the rewind
    timeline_ = LatticeTimeline{};
    forecast_ = LatticeForecast{};
    newestNote_ = Clock::Duration::min();
    return true;
}

bool LatticeViewModel::poll(Clock::Duration now)
{
    const bool rewound = noticeRewind();
    batch_.clear();
    LatticeNote note;
    while (feed_.next(note))
        batch_.push_back(note);
    if (batch_.empty())
        return rewound;

    // A note whose layer started another event before the window's left edge can no longer be
    // seen: it is passed over, so a long backlog (the view just opened) costs no engine runs.
    const LatticeRhythm rhythm = playedRhythm();
    const Clock::Duration leftEdge = liveWindow(now, latticeSpan(rhythm, laneWidth_)).start;
    std::array<Clock::Duration, kLayerCount> nextStart;
    nextStart.fill(Clock::Duration::max());
    std::vector<bool> visible(batch_.size());
    for (const LatticeNote& n : batch_)
        forecast_.observe(n, rhythm);
    newestNote_ = batch_.back().time;
    for (size_t i = batch_.size(); i-- > 0;) {
        const LatticeNote& n = batch_[i];
        if (n.layer < 0 || n.layer >= kLayerCount)
            continue;
        visible[i] = nextStart[n.layer] >= leftEdge;
        nextStart[n.layer] = n.time;
    }
    for (size_t i = 0; i < batch_.size(); ++i)
        if (visible[i])
            timeline_.add(batch_[i], rhythm);
    timeline_.forgetBefore(leftEdge);
    return true;
}

bool LatticeViewModel::live(Clock::Duration now) const
{
    return working_.playState == Playing || now < timeline_.soundingUntil();
}

LatticeScene LatticeViewModel::scene(Clock::Duration now, const LatticeGeometry& geometry)
{
    noticeRewind();
    laneWidth_ = latticeLaneWidth(geometry);
    if (live(now)) {
        const LatticeRhythm rhythm = playedRhythm();
        const LatticeWindow window = liveWindow(now, latticeSpan(rhythm, laneWidth_));
        std::vector<LatticeCell> cells = timeline_.cells();
        // What has not been announced yet comes from the forecast; after Stop there is none.
        if (working_.playState == Playing) {
            const std::vector<LatticeCell> coming = forecast_.coming(rhythm, newestNote_, window.end);
            cells.insert(cells.end(), coming.begin(), coming.end());
        }
        return layoutLattice(cells, rhythm.topLayer, timeline_.counters(), window, geometry, true);
    }
    // Stopped: what Play would do with the current settings, from the counters where they stand.
    const LatticeRhythm rhythm = stoppedRhythm();
    LayerCounters counters = timeline_.counters();
    // After a rewind Play starts from 0 until a pass has been played, also when a pass that was
    // draining as Rewind was chosen still announced its last notes.
    if (player_.resume.rewinds() > 0 && player_.resume.current() == LayerCounters{})
        counters = LayerCounters{};
    const Clock::Duration span = latticeSpan(rhythm, laneWidth_);
    if (!previewValid_ || !(rhythm == previewRhythm_) || counters != previewCounters_ || span != previewSpan_) {
        preview_ = previewCells(rhythm, counters, span);
        previewRhythm_ = rhythm;
        previewCounters_ = counters;
        previewSpan_ = span;
        previewValid_ = true;
    }
    return layoutLattice(preview_, rhythm.topLayer, counters, previewWindow(span), geometry, false);
}

std::vector<std::string> LatticeViewModel::header(const std::string& deviceName) const
{
    const LatticeRhythm rhythm = working_.playState == Playing ? playedRhythm() : stoppedRhythm();
    if (rhythm.scale == 1.0)
        return latticeHeader(working_, deviceName);
    return latticeHeader(working_, deviceName,
                         LatticeLengths{rhythm.realLength(true), rhythm.realLength(false)});
}
