// Following an external MIDI clock: the delay-locked loop, and the pacer on the follower's beats
// with the clock's messages delivered at their times on a virtual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "engine/midi_clock_follower.h"
#include "engine/session_sync.h"
#include "engine/song_position.h"
#include "engine/tick_dll.h"
#include "generator_test_support.h"

namespace {

constexpr double kTick120 = 60e9 / 120 / 24;  // ns
constexpr double kTick90 = 60e9 / 90 / 24;

// A virtual clock that hands the scheduled clock messages to the follower as time passes them.
class FeedingClock : public Clock {
public:
    explicit FeedingClock(MidiClockFollower& follower) : follower_(follower) {}
    Duration now() override { return now_; }
    void sleepUntil(Duration deadline) override
    {
        while (!schedule_.empty() && schedule_.begin()->first <= deadline) {
            auto [at, status] = *schedule_.begin();
            schedule_.erase(schedule_.begin());
            now_ = std::max(now_, at);
            follower_.onClockMessage(status, 0, at);
        }
        now_ = std::max(now_, deadline);
    }
    void at(double ns, uint8_t status) { schedule_.emplace(Duration(std::llround(ns)), status); }
    // A beat of ticks at 120 BPM while stopped (they give the tempo), then Start half a tick
    // before the next one; returns that tick's time, our beat 0.
    double startAt120()
    {
        const double next = ticks(0.1e9, kTick120, 24);
        at(next - kTick120 / 2, kClockStartStatus);
        return next;
    }
    // `count` ticks from `from`, `period` apart; returns the time of the tick after the last.
    double ticks(double from, double period, int count)
    {
        for (int i = 0; i < count; ++i)
            at(from + i * period, kClockTickStatus);
        return from + count * period;
    }

private:
    MidiClockFollower& follower_;
    Duration now_{};
    std::multimap<Duration, uint8_t> schedule_;
};

}  // namespace

TEST(TickDll, LocksOnASteadyClockAndFollowsATempoChangeWithinOneBeat)
{
    TickDll dll;
    double t = 1e9;
    for (int i = 0; i < 48; ++i, t += kTick120)
        dll.update(t);
    EXPECT_NEAR(dll.period(), kTick120, 1.0);
    EXPECT_NEAR(dll.tickTime(), t - kTick120, 1.0);
    for (int i = 0; i < 24; ++i, t += kTick90)
        dll.update(t);
    // One beat after the change: the next tick is predicted within 1 ms, the tempo within 1%.
    EXPECT_NEAR(dll.tickTime() + dll.period(), t, 1e6);
    EXPECT_NEAR(dll.period(), kTick90, kTick90 * 0.01);
}

TEST(TickDll, SmoothsArrivalJitter)
{
    TickDll dll;
    double worst = 0.0;
    for (int i = 0; i < 24 * 16; ++i) {
        const double jitter = (i % 3 - 1) * 2e6;  // +-2 ms around the true tick
        dll.update(1e9 + i * kTick120 + jitter);
        if (i >= 24 * 8)
            worst = std::max(worst, std::abs(dll.tickTime() - (1e9 + i * kTick120)));
    }
    EXPECT_LT(worst, 1e6);  // the filtered ticks stay within 1 ms of the true ones
}

namespace {

// Layer 0 only, every event one beat long, the follower as the beat grid, a MIDI port.
struct FollowingPlayer {
    MidiClockFollower follower;
    FeedingClock clock{follower};
    RecordingBackend port{clock};
    PlayerState player;
    LayerCounters counters{};
    Pacer pacer{clock};
    SettingsRecord settings{};
    SessionSync session;

    FollowingPlayer()
    {
        fillBuiltInDefaults(settings);
        settings.numeral = 2.5;
        settings.layerIndex = 0;
        settings.betaDuration = settings.alphaDuration;
        player.port.backend = &port;
        player.port.clock = &clock;
        port.isOpen = true;
        refreshAcceptedConcept(player, settings);
        put(player.deviceId, 0);
        follower.setEnabled(true);
        session.clockFollower = &follower;
        session.followClockOn = true;
        pacer.attachSession(&session, &player);
    }
    // Plays from the clock's Start on, as the UI thread's Play does when it sees the Start.
    void playUntil(double ns)
    {
        while (clock.now().count() < ns) {
            if (!follower.transportPlaying()) {
                clock.sleepUntil(clock.now() + std::chrono::milliseconds(1));
                continue;
            }
            if (get(player.playing) == 0) {
                follower.beginAtSongBeat(0.0);
                put(player.playing, 1);
            }
            if (pacer.beginPass())
                playLayerCycle(player, counters, pacer, 0);
        }
    }
    std::vector<double> noteOnTimes() const
    {
        std::vector<double> times;
        for (const TimedMessage& m : port.messages)
            if ((m.status() & 0xF0) == 0x90 && m.data2() > 0)
                times.push_back(static_cast<double>(m.time.count()));
        return times;
    }
};

}  // namespace

TEST(MidiClockFollower, NoteOnsLandOnEvery24thTickAndFollowATempoChangeAndAPause)
{
    FollowingPlayer p;
    // After Start 8 beats at 120, 8 at 90, then the clock stops ticking.
    const double start = p.clock.startAt120();
    double t = p.clock.ticks(start, kTick120, 24 * 8);
    const double change = t;
    t = p.clock.ticks(t, kTick90, 24 * 8);
    const double silent = t;
    p.playUntil(silent + 6 * 24 * kTick90);

    const std::vector<double> times = p.noteOnTimes();
    ASSERT_GE(times.size(), 20u);
    EXPECT_NEAR(times[0], start, 1e6);  // Start: the first note on the first tick after it
    for (size_t beat = 1; beat < 8; ++beat)
        EXPECT_NEAR(times[beat], start + beat * 24 * kTick120, 1e6) << "beat " << beat;
    for (size_t beat = 9; beat < 16; ++beat)  // from the second beat at 90
        EXPECT_NEAR(times[beat], change + (beat - 8) * 24 * kTick90, 1e6) << "beat " << beat;
    // No clock for more than two beats: the last tempo holds, and the follower says so.
    EXPECT_TRUE(p.follower.held(p.clock.now()));
    for (size_t beat = 16; beat < 20; ++beat)
        EXPECT_NEAR(times[beat], change + (beat - 8) * 24 * kTick90, 1e6) << "beat " << beat;
}

TEST(MidiClockFollower, AStartWhilePlayingNumbersTheBeatsAfreshWithoutHoldingUpThePass)
{
    FollowingPlayer p;
    const double start = p.clock.startAt120();
    const double t = p.clock.ticks(start, kTick120, 24 * 12);
    p.clock.at(start + 6.5 * 24 * kTick120, kClockStartStatus);  // beat 7 becomes beat 0
    p.playUntil(t);
    // The pass in progress plays on, on the clock's beats, with no beat left out.
    const std::vector<double> times = p.noteOnTimes();
    ASSERT_GE(times.size(), 11u);
    for (size_t beat = 0; beat < 11; ++beat)
        EXPECT_NEAR(times[beat], start + beat * 24 * kTick120, 1e6) << "beat " << beat;
}

TEST(MidiClockFollower, TransportMessagesAndSongPositionReachTheUiThreadOnce)
{
    MidiClockFollower follower;
    follower.onClockMessage(kClockStartStatus, 0, {});
    EXPECT_EQ(follower.lastTransport().serial, 0u) << "a disabled follower ignores the clock";
    follower.setEnabled(true);
    follower.onClockMessage(kClockStartStatus, 0, {});
    EXPECT_EQ(follower.lastTransport().kind, ClockTransport::Start);
    EXPECT_TRUE(follower.transportPlaying());
    follower.onClockMessage(kClockStopStatus, 0, {});
    follower.onClockMessage(kSongPositionStatus, 32, {});  // 32 sixteenths: beat 8
    follower.onClockMessage(kClockContinueStatus, 0, {});
    const ClockTransportEvent event = follower.lastTransport();
    EXPECT_EQ(event.serial, 3u);
    EXPECT_EQ(event.kind, ClockTransport::Continue);
    EXPECT_EQ(event.songPosition, 32);
    // The next tick is song beat 8; with our beat 0 set there it is beat 0.
    follower.onClockMessage(kClockTickStatus, 0, Clock::Duration(1'000'000'000));
    follower.beginAtSongBeat(0.0);
    EXPECT_NEAR(follower.beatAtTime(Clock::Duration(1'000'000'000), 4.0), 8.0, 1e-9);
    follower.beginAtSongBeat(8.0);
    EXPECT_EQ(follower.timeAtBeat(0.0, 4.0), Clock::Duration(1'000'000'000));
}

TEST(SongPosition, FindsThePassThatStartsAtOrAfterTheBeatWithItsCounters)
{
    VirtualPlayer live(3.7, 3);
    std::vector<std::pair<double, LayerCounters>> starts;  // each pass's start beat and counters
    const double alphaNs = get(live.player.alphaMs) * 1e6;
    for (int pass = 0; pass < 6; ++pass) {
        starts.emplace_back(live.clock.now().count() / alphaNs, live.counters);
        live.pass();
    }
    const double inThird = (starts[2].first + starts[3].first) / 2;
    for (const auto& [beat, expected] : {std::pair{inThird, starts[3]}, std::pair{starts[4].first, starts[4]},
                                         std::pair{0.0, starts[0]}}) {
        const SongPositionStart found = passStartAtOrAfter(live.settings, beat);
        EXPECT_TRUE(found.exact);
        EXPECT_NEAR(found.beat, expected.first, 1e-9) << beat;
        EXPECT_EQ(found.counters, expected.second) << beat;
    }
}
