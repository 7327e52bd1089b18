// What the lattice view shows at a moment: the preview before Play and when stopped, the played
// cells while playing, and the header. The widget only paints its scenes. No Qt, UI thread.
#pragma once

#include <string>
#include <vector>

#include "app/lattice/lattice_forecast.h"
#include "app/lattice/lattice_layout.h"
#include "app/lattice/lattice_timeline.h"
#include "engine/lattice_feed.h"

class LatticeViewModel {
public:
    LatticeViewModel(LatticeFeed& feed, const PlayerState& player, const SettingsRecord& working)
        : feed_(feed), player_(player), working_(working)
    {
    }

    // Once per display frame: takes what the playback thread announced since the last one; true
    // when there was something. `now` is on the playback thread's clock.
    bool poll(Clock::Duration now);

    // Playing, or a stopped pass still sounding.
    bool live(Clock::Duration now) const;

    LatticeScene scene(Clock::Duration now, const LatticeGeometry& geometry);

    std::vector<std::string> header(const std::string& deviceName) const;

    const LatticeTimeline& timeline() const { return timeline_; }
    const LatticeForecast& forecast() const { return forecast_; }

private:
    LatticeRhythm playedRhythm() const;
    // After a rewind the view starts over: no played cells, the preview from the beginning.
    bool noticeRewind();  // true when a rewind was seen (the view starts over)

    LatticeFeed& feed_;
    const PlayerState& player_;
    const SettingsRecord& working_;
    LatticeTimeline timeline_;
    LatticeForecast forecast_;
    Clock::Duration newestNote_ = Clock::Duration::min();
    std::vector<LatticeNote> batch_;
    // The preview is computed again only when what it depends on changes.
    LatticeRhythm previewRhythm_{};
    LayerCounters previewCounters_{};
    std::vector<LatticeCell> preview_;
    Clock::Duration previewSpan_{};
    bool previewValid_ = false;
    double laneWidth_ = 0;  // of the last scene: a wider window shows more time
    uint32_t rewindsSeen_ = 0;
};
