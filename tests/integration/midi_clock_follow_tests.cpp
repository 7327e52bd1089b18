// Following an external MIDI clock from a sending JACK client on a private JACK dummy server: the
// clock at 120 BPM, then 90, then Stop; our note-ons and our own MIDI clock, recorded on the same
// frame clock as the sender's ticks, land on every 24th tick after Start and on each tick.
#include <gtest/gtest.h>

#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "app/session/clock_follow.h"
#include "harness/jack_clock_sender.h"
#include "tests/integration/jack_playback_fixture.h"

namespace {

using namespace std::chrono_literals;

constexpr double kRate = 48000.0;
constexpr double kOneMsFrames = kRate / 1000.0;

// Ticks from `from` (frames), `bpm`, for `beats`; returns the frame of the tick after the last.
double addTicks(std::vector<JackClockSender::Message>& script, double from, double bpm, int beats)
{
    const double period = kRate * 60.0 / bpm / 24.0;
    for (int i = 0; i < beats * 24; ++i)
        script.push_back({static_cast<uint64_t>(std::llround(from + i * period)), kClockTickStatus});
    return from + beats * 24 * period;
}

class MidiClockFollowTest : public JackPlaybackTest {
protected:
    void SetUp() override
    {
        JackPlaybackTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        working_.numeral = 2.0;
        working_.layerIndex = 0;  // one layer: every event is one beat
        working_.betaDuration = working_.alphaDuration;
        session_.clockFollower = &follower_;
        startOnRecorder();
        dispatchCommand(app_, Command::FollowMidiClock);
        ASSERT_TRUE(session_.followingClock());
    }

    void TearDown() override
    {
        JackPlaybackTest::TearDown();
        feed_.reset();
        sender_.reset();
    }

    std::unique_ptr<JackClockSender> sender_;
    std::unique_ptr<JackClockFeed> feed_;
    MidiClockFollower follower_;
};

}  // namespace

TEST_F(MidiClockFollowTest, NoteOnsAndOurClockLandOnTheClocksTicksAt120Then90AndStopStops)
{
    dispatchCommand(app_, Command::MidiClock);  // our clock output passes the beat on
    JackRecorder senderRecorder("drumsrec");
    ASSERT_TRUE(senderRecorder.ok());
    // Two beats of ticks while stopped (a drum machine's clock runs on), Start a tick before the
    // next one, 8 beats at 120 BPM, 8 at 90, Stop, and the clock running on for a beat.
    std::vector<JackClockSender::Message> script;
    double frame = addTicks(script, kRate / 2, 120, 2);
    const double tick120 = kRate * 60.0 / 120.0 / 24.0;
    script.push_back({static_cast<uint64_t>(std::llround(frame - tick120 + 1)), kClockStartStatus});
    frame = addTicks(script, frame, 120, 8);
    frame = addTicks(script, frame, 90, 8);
    script.push_back({static_cast<uint64_t>(std::llround(frame - 1)), kClockStopStatus});
    addTicks(script, frame, 90, 1);

    sender_ = std::make_unique<JackClockSender>("drums", script);
    feed_ = std::make_unique<JackClockFeed>("control", follower_);
    ASSERT_TRUE(sender_->ok() && feed_->ok());
    ASSERT_TRUE(sender_->activate());
    jack_client_t* patch = recorder_->client();
    ASSERT_EQ(jack_connect(patch, "drums:out", "control:in"), 0);
    ASSERT_EQ(jack_connect(patch, "drums:out", "drumsrec:input"), 0);

    // The window's poll, every 2 ms, until the script has run and the clock's Stop stopped us.
    bool played = false;
    ASSERT_TRUE(waitFor([&] {
        followExternalClock(app_);
        played = played || working_.playState == Playing;
        std::this_thread::sleep_for(2ms);
        return sender_->finished() && played && working_.playState == Ready;
    }, 15s)) << "played " << played;
    std::this_thread::sleep_for(300ms);  // the drain reaches the recorder

    // The clock's ticks between its Start and Stop, and our note-ons and ticks before its Stop,
    // on the server's frames.
    // Events beside the server's xruns are not judged: a late cycle restarts its frame clock.
    std::vector<double> ticks, noteOns, ourTicks;
    size_t notesBeside = 0, ticksBeside = 0;
    bool started = false;
    double stopFrame = 0;
    for (const JackRecorder::Event& event : senderRecorder.events()) {
        started = started || event.bytes == "fa";
        if (event.bytes == "fc")
            stopFrame = event.frame;
        if (started && stopFrame == 0 && event.bytes == "f8")
            ticks.push_back(event.frame);
    }
    ASSERT_GT(stopFrame, 0);
    for (const JackRecorder::Event& event : recorder_->events()) {
        const unsigned long status = std::stoul(event.bytes.substr(0, 2), nullptr, 16);
        if (event.frame >= stopFrame)
            break;
        if (recorder_->nearXrun(event.timeNs)) {
            notesBeside += (status & 0xF0) == 0x90;
            ticksBeside += status == 0xF8;
            continue;
        }
        if ((status & 0xF0) == 0x90 && event.bytes.substr(6) != "00")
            noteOns.push_back(event.frame);
        if (status == 0xF8)
            ourTicks.push_back(event.frame);
    }
    ASSERT_EQ(ticks.size(), 16u * 24u);
    // A follower counts ticks: one lost at our input in a cycle the server skipped it in (an
    // xrun) moves every beat after it by a tick, which no follower can see.
    const int sent = static_cast<int>(std::count_if(script.begin(), script.end(), [](const JackClockSender::Message& m) {
        return m.status == kClockTickStatus;
    }));
    if (feed_->ticksReceived() < sent && recorder_->xruns() > 0)
        GTEST_SKIP() << feed_->ticksReceived() << " of " << sent << " clock ticks reached our input across the JACK "
                     << "server's " << recorder_->xruns() << " xruns: the machine is too busy to judge placement";
    EXPECT_EQ(feed_->ticksReceived(), sent);
    if (tooBusyToJudge(noteOns.size(), 12, notesBeside) || tooBusyToJudge(ourTicks.size(), 24 * 12, ticksBeside))
        GTEST_SKIP() << "only " << noteOns.size() << " note-ons and " << ourTicks.size() << " ticks were clear of the "
                     << "JACK server's " << recorder_->xruns() << " xruns: the machine is too busy to judge placement";
    ASSERT_GE(noteOns.size(), 12u);
    double worst = 0.0;
    for (size_t i = 0; i < noteOns.size(); ++i) {
        // The nearest beat: every 24th tick from Start.
        double best = 1e12;
        size_t beat = 0;
        for (size_t b = 0; b < ticks.size(); b += 24)
            if (std::abs(noteOns[i] - ticks[b]) < std::abs(best)) {
                best = noteOns[i] - ticks[b];
                beat = b / 24;
            }
        worst = std::max(worst, std::abs(best));
        EXPECT_LE(std::abs(best), kOneMsFrames) << "note-on " << i << " is " << best << " frames off beat " << beat;
    }
    std::printf("%zu note-ons on the clock's beats, the worst %.1f frames (%.3f ms) off; %zu note-ons and %zu ticks "
                "beside the server's %d xruns not judged\n", noteOns.size(), worst, worst / kOneMsFrames, notesBeside,
                ticksBeside, recorder_->xruns());

    // Our clock: each tick on one of the sender's, but for the beat after the tempo change, when
    // the loop is still learning the new period.
    ASSERT_GE(ourTicks.size(), 24u * 12);
    const double changeFrame = ticks[24 * 8], settledFrame = ticks[24 * 9];
    double worstTick = 0.0;
    size_t judged = 0;
    for (double ours : ourTicks) {
        if (ours >= changeFrame && ours < settledFrame)
            continue;
        double nearest = 1e12;
        for (double theirs : ticks)
            nearest = std::min(nearest, std::abs(ours - theirs));
        worstTick = std::max(worstTick, nearest);
        ++judged;
        EXPECT_LE(nearest, kOneMsFrames) << "our tick at frame " << ours << " is " << nearest << " frames off";
    }
    std::printf("%zu of our ticks on the sender's, the worst %.1f frames (%.3f ms) off\n", judged, worstTick,
                worstTick / kOneMsFrames);
}
