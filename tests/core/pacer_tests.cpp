// Layer-0 pacing: absolute deadlines that never accumulate send time, and a fresh start after the
// thread stalled for longer than an event, so nothing is played in a burst to catch up.
#include <gtest/gtest.h>

#include "engine/pacer.h"
#include "engine/virtual_clock.h"
#include "generator_test_support.h"

namespace {

using namespace std::chrono_literals;

// A clock whose "now" also moves while the caller works (sending takes time).
class SlowSendClock : public VirtualClock {
public:
    void work(Clock::Duration spent) { sleepUntil(now() + spent); }
};

TEST(Pacer, DeadlinesFollowEachOtherWhateverTheWorkInBetween)
{
    SlowSendClock clock;
    Pacer pacer(clock);
    for (int event = 1; event <= 100; ++event) {
        clock.work(3ms);  // sending before each wait
        pacer.waitMs(50);
        EXPECT_EQ(clock.now(), std::chrono::milliseconds(3 + 50 * event));  // anchored at the first wait
    }
}

// A stall (the machine suspended, the thread preempted) longer than the event in progress moves
// the grid to now; a shorter lateness is taken out of the event, so the grid keeps its phase.
TEST(Pacer, AStallLongerThanAnEventResumesFromNowAShorterOneIsAbsorbed)
{
    VirtualClock clock;
    Pacer pacer(clock);
    pacer.waitMs(100);
    clock.sleepUntil(5s);  // stalled for seconds
    pacer.waitMs(100);
    EXPECT_EQ(clock.now(), 5100ms);  // not 200 ms, and not an instant catch-up
    clock.sleepUntil(5180ms);  // late by 80 of the next event's 100 ms
    pacer.waitMs(100);
    EXPECT_EQ(clock.now(), 5200ms);
    clock.sleepUntil(5300ms);  // late by exactly one event: still on the grid, the event cut to nothing
    pacer.waitMs(100);
    EXPECT_EQ(clock.now(), 5300ms);

    pacer.reanchor();
    clock.sleepUntil(5310ms);
    pacer.waitMs(100);
    EXPECT_EQ(clock.now(), 5410ms);
}

class StallingReporter : public ErrorReporter {
public:
    explicit StallingReporter(VirtualClock& clock) : clock_(clock) {}
    void showError(const std::string& text) override
    {
        shown.push_back(text);
        clock_.sleepUntil(clock_.now() + 2s);  // the send stalls for two seconds
    }
    std::vector<std::string> shown;

private:
    VirtualClock& clock_;
};

TEST(Pacer, ASendThatStallsPausesTheRhythmThenItGoesOnFromNow)
{
    VirtualPlayer v(1.0, 1);
    StallingReporter reporter(v.clock);
    v.player.port.reporter = &reporter;
    Pacer pacer(v.clock);
    playLayerCycle(v.player, v.counters, pacer, 0);
    v.port.failSendWith = MidiResult::NotReady;
    playLayerCycle(v.player, v.counters, pacer, 0);  // note-on fails at 240: stalls until 2240
    v.port.failSendWith = MidiResult::Ok;
    playLayerCycle(v.player, v.counters, pacer, 0);
    ASSERT_GE(reporter.shown.size(), 1u);
    EXPECT_EQ(reporter.shown[0], "the hardware is busy with other data");
    // Only the first failure raised a box (240 -> 2240); the wait then starts afresh (to 2480),
    // the note-offs fail silently, and the next cycle's event lasts a full 240 ms.
    EXPECT_EQ(reporter.shown.size(), 1u);
    const auto lines = linesOf(v.port.messages);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "2480 91 5a 48");
    EXPECT_EQ(lines[5], "2720 81 5a 40");
}

// Centuries of virtual time: the deadline stops at the clock's end instead of overflowing (the
// sanitizer build traps on the overflow).
TEST(Pacer, ADeadlinePastTheClocksRangeStaysAtItsEnd)
{
    VirtualClock clock;
    clock.sleepUntil(Clock::Duration::max() - std::chrono::milliseconds(100));
    Pacer pacer(clock);
    pacer.waitMs(480);
    pacer.waitMs(480);
    EXPECT_EQ(clock.now(), Clock::Duration::max());
}

}  // namespace
