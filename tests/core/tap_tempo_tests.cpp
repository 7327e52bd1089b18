// Tap tempo: the tempo from the taps' spacing; with Link on the session's, with Link off the one
// in force until the next Play (the settings untouched), while following a clock none.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/session/tap_tempo.h"
#include "resources/command_ids.h"
#include "session_app.h"

namespace {

using namespace std::chrono_literals;

struct Tapper : SessionApp {
    Tapper() { ready(); }
    // Taps `count` times, `spacing` apart.
    void tap(int count, Clock::Duration spacing)
    {
        for (int k = 0; k < count; ++k) {
            clock.sleepUntil(clock.now() + spacing);
            dispatchCommand(app, Command::TapTempo);
        }
    }
};

}  // namespace

TEST(TapTempo, LinkOffSetsTheTempoInForceUntilTheNextPlayAndLeavesTheSettings)
{
    Tapper t;
    const SettingsRecord before = t.working;
    const int32_t alpha = get(t.player.alphaMs), beta = get(t.player.betaMs);
    t.tap(1, 10s);
    EXPECT_EQ(get(t.player.alphaMs), alpha) << "one tap is no tempo";
    t.tap(3, 400ms);  // 150 BPM
    EXPECT_EQ(get(t.player.alphaMs), 400);
    EXPECT_EQ(get(t.player.betaMs), std::lround(400.0 * beta / alpha));
    EXPECT_EQ(std::memcmp(&t.working, &before, sizeof before), 0);
    // A pause starts a new series; the last four taps count.
    t.tap(1, 3s);
    t.tap(5, 500ms);
    EXPECT_EQ(get(t.player.alphaMs), 500);
    dispatchCommand(t.app, Command::Play);
    EXPECT_EQ(get(t.player.alphaMs), alpha);
}

TEST(TapTempo, LinkOnSetsTheSessionTempoAndAFollowedClockKeepsItsOwn)
{
    Tapper t;
    dispatchCommand(t.app, Command::Link);
    const int32_t alpha = get(t.player.alphaMs);
    t.tap(4, 600ms);
    EXPECT_NEAR(t.timeline.tempo(), 100.0, 1e-9);
    EXPECT_EQ(get(t.player.alphaMs), alpha);

    dispatchCommand(t.app, Command::FollowMidiClock);
    t.tap(4, 300ms);
    EXPECT_NEAR(t.timeline.tempo(), 100.0, 1e-9);
    EXPECT_EQ(get(t.player.alphaMs), alpha);
}
