// Layer-0 events on a session's beat grid and MIDI clock inside the waits, on a scripted timeline
// and a virtual clock: every time is exact.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/beat_multiple.h"
#include "grid_player.h"

namespace {

using namespace std::chrono_literals;

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
    EXPECT_FALSE(grid.pacer.beginPass());
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

// A receiver counts song position from Start: a stall sends the ticks it made late, each with
// its own time, rather than leaving them out.
TEST(MidiClock, AcrossAStallTheTicksFromStartStayTwentyFourPerBeat)
{
    GridPlayer grid(2.0, 1);
    grid.session.clockOn = true;
    grid.timeline.requestStart(grid.clock.now());
    grid.clock.setAlarm(1100ms, [&] { grid.clock.sleepUntil(5100ms); });  // held up inside a wait
    while (grid.clock.now() < 6000ms)
        grid.passes(1);
    std::vector<Clock::Duration> intended;
    for (const TimedMessage& m : grid.port.messages)
        if (m.status() == kMidiClockTick)
            intended.push_back(m.intended);
    ASSERT_GT(intended.size(), 24u * 11);
    for (size_t k = 0; k < intended.size(); ++k)
        expectNear(intended[k], seconds(k * 0.5 / kClockTicksPerBeat), "tick " + std::to_string(k));
}

// Link switched off while playing (fault 2): the rhythm plays on at the session's last tempo on
// the same beats, the clock without a doubled tick; the settings' tempo comes back at the next start.
TEST(LinkGrid, LinkOffWhilePlayingKeepsTheSessionsTempoAndBeatsUntilTheNextStart)
{
    GridPlayer grid(2.0, 1);
    grid.session.clockOn = true;
    grid.timeline.changeTempo(0ms, 116.0);
    grid.timeline.requestStart(grid.clock.now());
    grid.clock.setAlarm(2000ms, [&] { grid.session.linkOn = false; });
    while (grid.timesOf(0x90).size() < 12)
        grid.passes(1);
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    for (size_t k = 0; k < notes.size(); ++k)
        expectNear(notes[k], seconds(k * 60.0 / 116.0), "note-on " + std::to_string(k));
    const std::vector<Clock::Duration> ticks = grid.timesOf(kMidiClockTick);
    for (size_t k = 0; k < ticks.size(); ++k)
        expectNear(ticks[k], seconds(k * 60.0 / 116.0 / kClockTicksPerBeat), "tick " + std::to_string(k));

    grid.pacer.reanchor();  // stopped and played again
    grid.passes(2);
    const std::vector<Clock::Duration> again = grid.timesOf(0x90);
    ASSERT_GE(again.size(), notes.size() + 2);
    EXPECT_EQ(again.back() - again[again.size() - 2], 240ms);
}

// Link switched on while playing in a session with peers (fault 3): the event in flight ends on a
// session beat no earlier than half its length; from there the session's tempo and phase, and
// the clock's ticks neither doubled nor missing.
TEST(LinkGrid, JoiningWhilePlayingEndsTheEventInFlightOnASessionBeatNotCutShort)
{
    GridPlayer grid(2.0, 1);
    grid.session.linkOn = false;
    grid.session.clockOn = true;
    grid.timeline.peers = 1;
    grid.timeline.changeTempo(0ms, 116.0);
    // The event beginning at 480 ms would meet the session's beat 1 at 517 ms.
    grid.clock.setAlarm(470ms, [&] { grid.session.linkOn = true; });
    while (grid.timesOf(0x90).size() < 10)
        grid.passes(1);
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    ASSERT_EQ(notes[2], 480ms);
    EXPECT_GE(notes[3] - notes[2], 120ms);
    for (size_t k = 3; k < notes.size(); ++k) {
        const double beat = grid.timeline.sessionBeat(notes[k]);
        EXPECT_NEAR(beat, std::round(beat), 1e-6) << "note-on " << k << " off the session's beats";
        if (k > 3)
            expectNear(notes[k] - notes[k - 1], seconds(60.0 / 116.0), "gap before note-on " + std::to_string(k));
    }
    const std::vector<Clock::Duration> ticks = grid.timesOf(kMidiClockTick);
    for (size_t k = 1; k < ticks.size(); ++k) {
        EXPECT_GE(ticks[k] - ticks[k - 1], 5ms) << "tick " << k << " doubled";
        EXPECT_LE(ticks[k] - ticks[k - 1], seconds(1.5 * 60.0 / 116.0 / kClockTicksPerBeat)) << "a tick missing before " << k;
    }
}

// Alone, Link switched on while playing changes nothing that is heard: the session (at our tempo,
// as the switch set it) moves its beats to ours.
TEST(LinkGrid, JoiningWhilePlayingAloneChangesNothingHeard)
{
    GridPlayer grid(2.0, 1);
    grid.session.linkOn = false;
    grid.session.clockOn = true;
    grid.timeline.changeTempo(0ms, 250.0);  // 240 ms a beat, as ours
    grid.timeline.moveBeats(0ms, 0.3);      // a phase of its own
    grid.clock.setAlarm(470ms, [&] { grid.session.linkOn = true; });
    while (grid.timesOf(0x90).size() < 10)
        grid.passes(1);
    const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
    for (size_t k = 0; k < notes.size(); ++k)
        expectNear(notes[k], 240ms * static_cast<int64_t>(k), "note-on " + std::to_string(k));
    const std::vector<Clock::Duration> ticks = grid.timesOf(kMidiClockTick);
    for (size_t k = 0; k < ticks.size(); ++k)
        expectNear(ticks[k], 10ms * static_cast<int64_t>(k), "tick " + std::to_string(k));
    EXPECT_EQ(grid.timeline.commits, 1);
}

// Link's tempo range reaches far beyond our own event lengths (64..960 ms): there an alpha event
// lasts a power-of-two multiple or fraction of the session's beat, and every note-on stays on
// that subdivision of the session's beats.
TEST(LinkGrid, AtTheEndsOfLinksTempoRangeEventsFollowAMultipleOfTheBeat)
{
    struct Case {
        double bpm, beatsPerEvent;
    };
    for (const Case c : {Case{999.0, 2.0}, Case{20.0, 0.25}}) {
        GridPlayer grid(2.0, 2);
        grid.timeline.changeTempo(0ms, c.bpm);
        grid.timeline.requestStart(grid.clock.now());
        while (grid.timesOf(0x90).size() < 16)
            grid.passes(1);
        const std::vector<Clock::Duration> notes = grid.timesOf(0x90);
        const double first = grid.timeline.sessionBeat(notes.front());
        for (size_t k = 0; k < notes.size(); ++k)
            EXPECT_NEAR(grid.timeline.sessionBeat(notes[k]), first + c.beatsPerEvent * static_cast<double>(k), 1e-6)
                << c.bpm << " BPM, layer-0 note-on " << k;
        EXPECT_NEAR(std::remainder(first, kBarBeats), 0.0, 1e-6) << "the first note-on is on a bar line";
        EXPECT_EQ(grid.session.beatsPerEvent.load(), c.beatsPerEvent);
        EXPECT_NEAR(grid.session.alphaInForceMs.load(), 60000.0 / c.bpm * c.beatsPerEvent, 1e-9);
    }
}

// A fall from 999 to 20 BPM in the middle of a two-beat event (6 s at 20 BPM) ends it at the next
// quarter beat; from there on the events are quarter beats.
TEST(LinkGrid, AFallOutOfOurRangeEndsTheEventInFlightAtTheNextSubdivision)
{
    GridPlayer grid(2.0, 1);
    grid.timeline.changeTempo(0ms, 999.0);
    grid.timeline.changeTempo(1030ms, 20.0);
    grid.timeline.requestStart(grid.clock.now());
    while (grid.clock.now() < 5s)
        grid.passes(1);
    std::vector<double> after;
    for (Clock::Duration t : grid.timesOf(0x90))
        if (t > 1030ms)
            after.push_back(grid.timeline.sessionBeat(t));
    ASSERT_GE(after.size(), 4u);
    EXPECT_LE(grid.timeline.sessionTime(after.front()) - 1030ms, 750ms);
    for (size_t k = 0; k < after.size(); ++k)
        EXPECT_NEAR(after[k] * 4, std::round(after[k] * 4), 1e-6) << "note-on " << k << " off its quarter beat";
    for (size_t k = 1; k < after.size(); ++k)
        EXPECT_NEAR(after[k] - after[k - 1], 0.25, 1e-6);
}

// The choice keeps still near a bound, eases back to one beat only on a bar line, and leaves
// the range at once.
TEST(BeatMultiple, TheChoiceHasHysteresisAndEasesBackOnABarLine)
{
    struct Case {
        double bpm, current;
        bool onBar;
        double expected;
    };
    for (const Case c : {Case{116, 1, false, 1}, Case{999, 1, false, 2}, Case{20, 1, false, 0.25},
                         Case{63, 1, true, 1},  // 952 ms: still ours
                         Case{62, 1, false, 0.5}, Case{70, 0.5, true, 0.5}, Case{80, 0.5, false, 0.5},
                         Case{80, 0.5, true, 1}, Case{800, 2, true, 2}, Case{700, 2, true, 1}}) {
        EXPECT_EQ(beatsPerEventAt(c.bpm, c.current, c.onBar), c.expected) << c.bpm << " BPM from " << c.current;
    }
    EXPECT_EQ(beatsPerEventText(4.0), "1 event per 4 beats");
    EXPECT_EQ(beatsPerEventText(0.5), "2 events per beat");
}
