// The lattice view while the events follow a session's beats (Link, an external clock): cells as
// long as the events last there, at their session times, the coming ones right of the playhead,
// and the lengths in force in the header.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/lattice/lattice_view_model.h"
#include "grid_player.h"

using namespace std::chrono_literals;

namespace {

// A player on a scripted session at `bpm` announcing its note-ons to the lattice view's feed;
// alpha and beta 240 ms (250 BPM of their own), three layers.
struct SessionLattice : GridPlayer {
    explicit SessionLattice(double bpm) : GridPlayer(1.5, 3)
    {
        timeline.changeTempo(0ms, bpm);
        settings.playState = Playing;
        player.latticeFeed.store(&feed);
        timeline.requestStart(clock.now());
    }
    void playUntil(Clock::Duration until)
    {
        while (clock.now() < until)
            passes(1);
    }

    LatticeFeed feed;
    LatticeViewModel model{feed, player, settings, &session};
};

}  // namespace

// At 116 BPM an event lasts 517 ms, not the settings' 240: each layer's cells follow one another
// without gaps, and the forecast goes on right of the playhead.
TEST(LatticeUnderASession, EveryCellLastsUntilTheNextOneOfItsLayerAndTheComingOnesAreDrawn)
{
    SessionLattice s(116.0);
    s.playUntil(6s);
    const Clock::Duration now = s.clock.now() - 100ms;  // the view looks a little behind the engine
    s.model.poll(now);
    LatticeGeometry g;
    g.width = 1200;
    g.height = 400;
    const LatticeScene scene = s.model.scene(now, g);

    std::map<int32_t, std::vector<LatticeRect>> rows;
    for (const LatticeCellView& cell : scene.cells)
        rows[cell.layer].push_back(cell.rect);
    ASSERT_EQ(rows.size(), 3u);
    for (auto& [layer, rects] : rows) {
        std::sort(rects.begin(), rects.end(), [](const LatticeRect& a, const LatticeRect& b) { return a.x < b.x; });
        for (size_t k = 0; k + 1 < rects.size(); ++k)
            EXPECT_NEAR(rects[k].x + rects[k].width, rects[k + 1].x, 1.0) << "layer " << layer << ", cell " << k;
    }
    const std::vector<LatticeRect>& lowest = rows[0];
    EXPECT_TRUE(std::any_of(lowest.begin(), lowest.end(), [&](const LatticeRect& r) { return r.x > scene.playheadX; }))
        << "no coming event right of the playhead";
}

// The header gives the lengths in force: the session's beat while on it, the settings' when not.
TEST(LatticeUnderASession, TheHeaderGivesTheLengthsInForce)
{
    SessionLattice s(116.0);
    s.playUntil(2s);
    EXPECT_EQ(s.model.header("synth")[1], "tempo 96   layers 3   alpha 517 ms   beta 517 ms");
    s.settings.playState = Ready;  // stopped: what Play would do, still on the session's beats
    s.timeline.changeTempo(s.clock.now(), 999.0);
    EXPECT_EQ(s.model.header("synth")[1], "tempo 96   layers 3   alpha 120 ms   beta 120 ms");
    s.session.linkOn = false;
    EXPECT_EQ(s.model.header("synth")[1], "tempo 96   layers 3   alpha 240 ms   beta 240 ms");
}
