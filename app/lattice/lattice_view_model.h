// What the lattice view shows at a moment: the preview before Play and when stopped, the played
// cells while playing, and the header. The widget only paints its scenes. No Qt, UI thread.
#pragma once

#include <string>
#include <vector>

#include "app/lattice/lattice_forecast.h"
#include "app/lattice/lattice_layout.h"
#include "app/lattice/lattice_timeline.h"
#include "engine/lattice_feed.h"
#include "engine/session_sync.h"

class LatticeViewModel {
public:
    // `session`, when given, is the grid the events may follow (Link, an external clock): its
    // lengths in force replace the settings' durations.
    LatticeViewModel(LatticeFeed& feed, const PlayerState& player, const SettingsRecord& working,
                     SessionSync* session = nullptr)
        : feed_(feed), player_(player), working_(working), session_(session)
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
    // What Play would do now: the settings' rhythm, on the grid's beats while one is followed.
    LatticeRhythm stoppedRhythm() const;
    // An alpha event's length in ms on the beats followed (0: the settings' own durations): while
    // playing the pacer's, else what the next Play would choose at the grid's tempo.
    double alphaInForceMs(bool playing) const;
    // After a rewind the view starts over: no played cells, the preview from the beginning.
    bool noticeRewind();  // true when a rewind was seen (the view starts over)

    LatticeFeed& feed_;
    const PlayerState& player_;
    const SettingsRecord& working_;
    SessionSync* session_;
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
