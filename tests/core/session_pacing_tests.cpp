// Layer-0 events on a session's beat grid and MIDI clock inside the waits, on a scripted timeline
// and a virtual clock: every time is exact.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/session_sync.h"
#include "generator_test_support.h"
#include "scripted_timeline.h"

namespace {

using namespace std::chrono_literals;

class LatencyRecorder : public RecordingBackend {
public:
    using RecordingBackend::RecordingBackend;
    MessageTime placementLatency() override { return latency; }
    MessageTime latency{};
};

// A player whose pacer follows a scripted session; Link on, clock off, a MIDI port (device 0).
struct GridPlayer {
    VirtualClock clock;
    LatencyRecorder port{clock};
    PlayerState player;
    LayerCounters counters{};
    Pacer pacer{clock};
    SettingsRecord settings{};
    ScriptedTimeline timeline{clock, 120.0};
    SessionSync session;

    GridPlayer(double numeral, int32_t layers, int32_t betaDuration = 240)
    {
        fillBuiltInDefaults(settings);
        settings.numeral = numeral;
        settings.layerIndex = layers - 1;
        settings.betaDuration = betaDuration;
        player.port.backend = &port;
        player.port.clock = &clock;
        port.isOpen = true;
        refreshAcceptedConcept(player, settings);
        put(player.deviceId, 0);
        session.timeline = &timeline;
        session.linkOn = true;
        session.betaBeats = static_cast<double>(settings.betaDuration) / settings.alphaDuration;
        pacer.attachSession(&session, &player);
        put(player.playing, 1);
    }
    void passes(int count)
    {
        for (int i = 0; i < count; ++i)
            if (pacer.beginPass(player.playing))
                playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
    }
    // Send times of the messages with this status (or of every layer-0 note-on for 0x90).
    std::vector<Clock::Duration> timesOf(int status) const
    {
        std::vector<Clock::Duration> times;
        for (const TimedMessage& m : port.messages)
            if (status == 0x90 ? m.status() == 0x90 || m.status() == 0x91 : m.status() == status)
                times.push_back(m.time);
        return times;
    }
};

Clock::Duration seconds(double s)
{
    return Clock::Duration(std::llround(s * 1e9));
}

// Within a microsecond: the scripted grid rounds to the nanosecond.
void expectNear(Clock::Duration actual, Clock::Duration expected, const std::string& what)
{
    EXPECT_LE(std::llabs((actual - expected).count()), 1000) << what << ": " << actual.count() << " ns, expected "
                                                             << expected.count() << " ns";
}

}  // namespace

TEST(LinkGrid, ATempoChangeMidPassKeepsEveryLaterNoteOnItsBeat)
{
    GridPlayer grid(2.0, 3);
    // 120 BPM, then 90 BPM from 2.25 s: in the middle of the event from beat 4 to beat 5.
    grid.timeline.changeTempo(2250ms, 90.0);
    grid.timeline.requestStart(grid.clock.now());
    while (grid.timesOf(0x90).size() < 12)
        grid.passes(1);
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    for (size_t k = 0; k < notes.size(); ++k) {
        const double beat = static_cast<double>(k);
        const double expected = beat <= 4.5 ? beat * 0.5 : 2.25 + (beat - 4.5) * 60.0 / 90.0;
        expectNear(notes[k], seconds(expected), "layer-0 note-on " + std::to_string(k));
    }
}

TEST(LinkGrid, AStartWaitsForTheSessionsNextBarAndWakesEarlyByTheOutputLatency)
{
    GridPlayer grid(2.0, 2);
    grid.port.latency = 20ms;
    grid.timeline.peers = 1;
    grid.clock.sleepUntil(1300ms);  // session beat 2.6: the next bar line is beat 4, at 2.0 s
    grid.timeline.requestStart(grid.clock.now() + 70ms);
    grid.passes(2);
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(grid.port.messages.front().time, 1980ms);  // sounds at 2.0 s after JACK's 20 ms
    EXPECT_EQ(grid.port.messages.front().intended, 1980ms);
    EXPECT_EQ(notes[0], 1980ms);
    EXPECT_EQ(notes[1], 2480ms);
}

TEST(LinkGrid, StopWhileWaitingForTheBarPlaysNothing)
{
    GridPlayer grid(2.0, 2);
    grid.timeline.peers = 1;
    grid.clock.sleepUntil(100ms);
    grid.timeline.requestStart(grid.clock.now());  // beat 0 at the bar line at 2.0 s
    grid.clock.setAlarm(1500ms, [&] { put(grid.player.playing, 0); });
    EXPECT_FALSE(grid.pacer.beginPass(grid.player.playing));
    EXPECT_TRUE(grid.port.messages.empty());
    EXPECT_LT(grid.clock.now(), 1600ms);
}

TEST(LinkGrid, ABetaEventLastsTheRatioOfTheTwoDurationsInBeats)
{
    GridPlayer grid(2.0, 1, 480);  // beta twice as long as alpha: two beats
    grid.timeline.requestStart(grid.clock.now());
    grid.passes(4);  // B, AB, AB, AB
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    const std::vector<Clock::Duration> expected{0ms, 1000ms, 1500ms, 2500ms, 3000ms, 4000ms, 4500ms};
    EXPECT_EQ(notes, expected);
}

TEST(LinkGrid, WithLinkAndClockOffEveryMessageIsAsBefore)
{
    VirtualPlayer alone(std::acos(-1.0), 3);
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i)
        for (const std::string& line : alone.pass())
            expected.push_back(line);

    GridPlayer grid(std::acos(-1.0), 3);
    grid.session.linkOn = false;
    grid.passes(4);
    EXPECT_EQ(linesOf(grid.port.messages), expected);
}

TEST(MidiClock, TwentyFourTicksPerAlphaBeatFromAStartAtTheFirstNote)
{
    GridPlayer grid(2.0, 1);
    grid.session.linkOn = false;
    grid.session.clockOn = true;
    grid.clock.sleepUntil(7ms);
    grid.passes(3);  // B, AB, AB: five events of 240 ms
    const std::vector<TimedMessage>& sent = grid.port.messages;
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().status(), kMidiClockStart);
    EXPECT_EQ(sent.front().time, 7ms);
    const std::vector<Clock::Duration> ticks = grid.timesOf(kMidiClockTick);
    ASSERT_EQ(ticks.size(), 5u * 24 + 1);  // the tick on the last event's end closes it
    for (size_t k = 0; k < ticks.size(); ++k)
        EXPECT_EQ(ticks[k], 7ms + 10ms * static_cast<int64_t>(k)) << "tick " << k;
    EXPECT_EQ(grid.timesOf(kMidiClockStart).size(), 1u);
}

TEST(MidiClock, OnTheGridTheTicksFollowTheSessionsTempo)
{
    GridPlayer grid(2.0, 2);
    grid.session.clockOn = true;
    grid.timeline.changeTempo(1250ms, 60.0);  // beat 2.5
    grid.timeline.requestStart(grid.clock.now());
    while (grid.timesOf(0x90).size() < 6)
        grid.passes(1);
    const std::vector<Clock::Duration> ticks = grid.timesOf(kMidiClockTick);
    ASSERT_GT(ticks.size(), 24u * 4);
    for (size_t k = 0; k < ticks.size(); ++k) {
        const double beat = static_cast<double>(k) / kClockTicksPerBeat;
        expectNear(ticks[k], seconds(beat <= 2.5 ? beat * 0.5 : 1.25 + (beat - 2.5)), "tick " + std::to_string(k));
    }
}

TEST(MidiClock, TheBuiltInSynthesiserGetsNoClock)
{
    GridPlayer grid(2.0, 2);
    grid.session.clockOn = true;
    put(grid.player.deviceId, -1);
    grid.timeline.requestStart(grid.clock.now());
    grid.passes(3);
    for (const TimedMessage& m : grid.port.messages)
        EXPECT_LT(m.status(), 0xF0);
}

TEST(MidiClock, AfterAStallTheMissedTicksAreDroppedNotSentInABurst)
{
    GridPlayer grid(2.0, 1);
    grid.session.linkOn = false;
    grid.session.clockOn = true;
    // The thread is held up for five seconds inside a wait (a busy machine, a stopped process).
    grid.clock.setAlarm(100ms, [&] { grid.clock.sleepUntil(5100ms); });
    grid.passes(40);
    size_t ticks = 0;
    for (const TimedMessage& m : grid.port.messages) {
        if (m.status() != kMidiClockTick)
            continue;
        ++ticks;
        EXPECT_LE(m.time - m.intended, 50ms) << "a tick sent " << (m.time - m.intended).count() << " ns late";
    }
    EXPECT_GT(ticks, 24u);
}
