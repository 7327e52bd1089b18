// The real playback thread driven through Play, Stop and shutdown, on a stepped virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/render_run.h"
#include "generator_test_support.h"
#include "settings/defaults.h"
#include "settings/numeral_presets.h"
#include "stepped_clock.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

struct ThreadedPlayer {
    SteppedClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    Transport transport;
    SettingsRecord working{};

    explicit ThreadedPlayer(int32_t layers)
    {
        fillBuiltInDefaults(working);
        working.layerIndex = layers - 1;
        player.port.backend = &port;
        refreshAcceptedConcept(player, working);
    }
    ~ThreadedPlayer()
    {
        if (transport.threadStarted) {
            if (get(player.playing) != 0)
                stopPlayback(transport, player);
            shutDown();
        }
    }
    // Shuts the thread down on another thread while time runs on until the join is done.
    void shutDown()
    {
        std::atomic<bool> done{false};
        std::thread closer([&] {
            shutdownPlayback(transport, player);
            done = true;
        });
        clock.runUntil([&] { return done.load(); });
        closer.join();
    }
    void advanceTo(std::chrono::milliseconds t) { clock.advanceTo(t, transport.threadEvent); }
    Lines lines() { return linesOf(port.messages); }
};

Lines between(const Lines& lines, long from, long to)
{
    Lines out;
    for (const std::string& line : lines) {
        const long t = std::stol(line);
        if (t >= from && t < to)
            out.push_back(line);
    }
    return out;
}

TEST(PlaybackTransport, PortOpensOnTheStoredDeviceBeforeTheThreadStarts)
{
    ThreadedPlayer p(2);
    p.working.midiDeviceId = 3;
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    EXPECT_EQ(p.port.openedDevices, std::vector<int32_t>{3});
    EXPECT_TRUE(p.transport.threadStarted);
    EXPECT_EQ(get(p.player.playing), 0);
}

TEST(PlaybackTransport, FailedOpenStartsNoThread)
{
    ThreadedPlayer p(2);
    p.port.failOpenWith = MidiResult::NoDevice;
    EXPECT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 1);
    EXPECT_FALSE(p.transport.threadStarted);
    EXPECT_FALSE(p.transport.control.thread.joinable());
}

TEST(PlaybackTransport, FirstPassIsBetaOnlyAndStopThenPlayContinuesTheCounters)
{
    ThreadedPlayer p(2);
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    p.advanceTo(100ms);
    startPlayback(p.transport, p.player);
    EXPECT_TRUE(p.transport.threadEvent.isSet());
    p.advanceTo(1000ms);
    stopPlayback(p.transport, p.player);
    EXPECT_FALSE(p.transport.threadEvent.isSet());
    p.advanceTo(3000ms);  // the pass drains at 1540, then the thread waits

    const Lines all = p.lines();
    EXPECT_EQ(between(all, 0, 340), (Lines{"100 93 55 45", "100 91 5a 48"}));
    // The sweep goes out at Stop, before what the draining pass still sends.
    const Lines atStop = between(all, 1000, 1001);
    ASSERT_EQ(atStop.size(), 16u);
    EXPECT_EQ(atStop.front(), "1000 80 46 40");
    EXPECT_EQ(atStop.back(), "1000 8f 37 40");
    EXPECT_EQ(between(all, 1001, 3000), (Lines{"1060 90 46 58", "1300 91 5a 48", "1540 80 46 40", "1540 81 5a 40", "1540 82 41 40",
                                               "1540 83 55 40"}));

    const std::thread::id thread = p.transport.control.thread.get_id();
    startPlayback(p.transport, p.player);
    p.advanceTo(3001ms);
    // Layer 1 goes on with its event 3 (alpha), not with a new beta-only pass.
    EXPECT_EQ(between(p.lines(), 3000, 3001), (Lines{"3000 92 41 55", "3000 90 46 58"}));
    EXPECT_EQ(p.transport.control.thread.get_id(), thread);
}

TEST(PlaybackTransport, PlayDuringDrainingResumesTheDescentWithoutANewPass)
{
    ThreadedPlayer straight(3), interrupted(3);
    for (ThreadedPlayer* p : {&straight, &interrupted}) {
        ASSERT_EQ(startPlaybackThread(p->transport, p->player, p->working, p->clock), 0);
        startPlayback(p->transport, p->player);
    }
    straight.advanceTo(6000ms);
    interrupted.advanceTo(1000ms);
    stopPlayback(interrupted.transport, interrupted.player);
    interrupted.advanceTo(1100ms);
    startPlayback(interrupted.transport, interrupted.player);
    interrupted.advanceTo(6000ms);

    Lines expected = straight.lines();
    Lines actual = interrupted.lines();
    actual.erase(std::remove_if(actual.begin(), actual.end(), [](const std::string& l) { return l.rfind("1000 8", 0) == 0; }),
                 actual.end());
    EXPECT_EQ(actual, expected);
}

// Lines from `from` on, with their times moved back by `from`, as a run from time 0 would have them.
Lines shiftedFrom(const Lines& lines, long from, long to)
{
    Lines out;
    for (const std::string& line : between(lines, from, to))
        out.push_back(std::to_string(std::stol(line) - from) + line.substr(line.find(' ')));
    return out;
}

TEST(PlaybackTransport, RewindThenPlayStartsFromTheBeginningAsTheRenderToolDoes)
{
    ThreadedPlayer p(3);
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    startPlayback(p.transport, p.player);
    p.advanceTo(3000ms);
    stopPlayback(p.transport, p.player);
    rewindPlayback(p.player);  // while the stopped pass still drains: it ends first
    EXPECT_EQ(p.player.resume.current(), LayerCounters{});
    p.advanceTo(5000ms);
    EXPECT_EQ(p.player.resume.current(), LayerCounters{});
    startPlayback(p.transport, p.player);
    p.advanceTo(9000ms);

    std::vector<TimedMessage> rendered;
    std::string error;
    ASSERT_TRUE(renderRun(p.working, RenderLength{3, std::nullopt}, rendered, error));
    rendered.erase(rendered.begin(), rendered.begin() + 16);  // the program changes of an accepted concept
    EXPECT_EQ(shiftedFrom(p.lines(), 5000, 9000), between(linesOf(rendered), 0, 4000));
}

// Where Play would go on: the counters after the last pass, from the playback thread, whole.
TEST(PlaybackTransport, CountersWherePlayWouldGoOnArePublishedAfterEachPass)
{
    ThreadedPlayer p(2);
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    EXPECT_EQ(p.player.resume.current(), LayerCounters{});
    startPlayback(p.transport, p.player);
    p.advanceTo(2000ms);  // passes end at 240, 1440, 2880
    EXPECT_EQ(p.player.resume.current(), (LayerCounters{6, 3}));
    p.advanceTo(2880ms);
    stopPlayback(p.transport, p.player);
    p.advanceTo(4000ms);
    EXPECT_EQ(p.player.resume.current(), (LayerCounters{14, 6}));  // three passes
    rewindPlayback(p.player);
    EXPECT_EQ(p.player.resume.current(), LayerCounters{});
    EXPECT_EQ(p.player.resume.rewinds(), 1u);
}

// Closing leaves the pass where it stands: nothing follows the sweep, however long the pass.
TEST(PlaybackTransport, ShutdownLeavesThePassAtOnceAndClosesThePort)
{
    ThreadedPlayer p(2);
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    startPlayback(p.transport, p.player);
    p.advanceTo(1000ms);

    stopPlayback(p.transport, p.player);
    shutdownPlayback(p.transport, p.player);  // returns without time moving on

    EXPECT_FALSE(p.transport.threadStarted);
    EXPECT_EQ(p.port.closeCount, 1);
    EXPECT_FALSE(p.port.isOpen);
    const Lines all = p.lines();
    EXPECT_EQ(all.back(), "1000 8f 37 40");
    EXPECT_EQ(between(all, 1000, 1001).size(), 16u);
}

TEST(PlaybackTransport, ShutdownWhileStoppedEndsTheThreadAtOnce)
{
    ThreadedPlayer p(8);
    ASSERT_EQ(startPlaybackThread(p.transport, p.player, p.working, p.clock), 0);
    shutdownPlayback(p.transport, p.player);
    EXPECT_FALSE(p.transport.control.thread.joinable());
    EXPECT_TRUE(p.port.messages.empty());
    EXPECT_EQ(p.port.closeCount, 1);
}

// A port that never opened has nothing to close: no spurious "device handle is invalid" box.
TEST(PlaybackTransport, ShutdownWithoutAnOpenPortClosesNothing)
{
    ThreadedPlayer p(2);
    shutdownPlayback(p.transport, p.player);
    EXPECT_EQ(p.port.closeCount, 0);
}

}  // namespace
