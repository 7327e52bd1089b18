// The MIDI clock ticker on its own: 24 ticks per beat of the line it is given, and a renumbered
// line (Link switched on while playing) followed without a doubled or a missing tick.
#include <gtest/gtest.h>

#include "engine/clock_ticker.h"
#include "engine/session_sync.h"
#include "generator_test_support.h"

namespace {

using namespace std::chrono_literals;

struct Ticking {
    VirtualClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    ClockTicker ticker;
    Ticking()
    {
        player.port.backend = &port;
        player.port.clock = &clock;
        port.isOpen = true;
        ticker.attach(&player);
    }
    std::vector<Clock::Duration> ticks() const
    {
        std::vector<Clock::Duration> times;
        for (const TimedMessage& m : port.messages)
            if (m.status() == kMidiClockTick)
                times.push_back(m.intended);
        return times;
    }
};

}  // namespace

TEST(ClockTicker, StartThenTwentyFourTicksPerBeatTheFirstWithStart)
{
    Ticking t;
    const BeatLine line{0ms, 0.0, 125.0};  // 480 ms a beat, 20 ms a tick
    t.ticker.start(0.0, 0ms);
    t.ticker.sendUpTo(line, 960ms);
    ASSERT_EQ(t.port.messages.front().status(), kMidiClockStart);
    const std::vector<Clock::Duration> ticks = t.ticks();
    ASSERT_EQ(ticks.size(), 49u);
    for (size_t k = 0; k < ticks.size(); ++k)
        EXPECT_EQ(ticks[k], 20ms * static_cast<int64_t>(k)) << k;
    EXPECT_EQ(t.ticker.nextTime(line), 980ms);
}

TEST(ClockTicker, ARenumberedLineIsFollowedWithoutADoubledOrAMissingTick)
{
    for (double phase : {0.0, 0.01, 0.02, 0.5, 0.99}) {
        Ticking t;
        t.ticker.start(0.0, 0ms);
        t.ticker.sendUpTo(BeatLine{0ms, 0.0, 125.0}, 100ms);  // the last tick at 100 ms
        const BeatLine session{100ms, 7.0 + phase, 90.0};        // 27.8 ms a tick
        t.ticker.follow(session);
        t.ticker.sendUpTo(session, 1000ms);
        const std::vector<Clock::Duration> ticks = t.ticks();
        for (size_t k = 1; k < ticks.size(); ++k) {
            EXPECT_GE(ticks[k] - ticks[k - 1], 10ms) << "phase " << phase << ", tick " << k;
            EXPECT_LE(ticks[k] - ticks[k - 1], 42ms) << "phase " << phase << ", tick " << k;
        }
        for (size_t k = 6; k < ticks.size(); ++k) {
            const double beat = session.beatAt(ticks[k]) * kClockTicksPerBeat;
            EXPECT_NEAR(beat, std::round(beat), 1e-4) << "phase " << phase << ": tick " << k << " off the line";
        }
    }
}
