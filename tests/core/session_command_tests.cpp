// The Link and MIDI clock switches as the user meets them: the menu checks and the side file, our
// tempo to the session, the session's transport followed both ways, and the lattice header line.
#include <gtest/gtest.h>

#include <fstream>

#include "app/commands.h"
#include "app/session/clock_follow.h"
#include "app/session/session_commands.h"
#include "engine/song_position.h"
#include "resources/command_ids.h"
#include "session_app.h"
#include "settings/session_switches.h"

namespace {

class Session : public ::testing::Test, protected SessionApp {
protected:
    std::vector<std::string> sentFrom(size_t from) const { return linesOf(port.messages, from); }
};

}  // namespace

TEST_F(Session, TheSwitchesAreCheckedKeptInTheirFileAndRestoredAtStart)
{
    ready();
    dispatchCommand(app, Command::Link);
    dispatchCommand(app, Command::MidiClock);
    EXPECT_TRUE(shell.menuChecked[Command::Link]);
    EXPECT_TRUE(shell.menuChecked[Command::MidiClock]);
    EXPECT_TRUE(timeline.enabled);
    EXPECT_EQ(loadSessionSwitches(dir.file("pulseLattice.link")), (SessionSwitches{true, true}));

    // Another run: the file restores both.
    SessionSync restored;
    ScriptedTimeline otherTimeline{clock, 120.0};
    restored.timeline = &otherTimeline;
    transport.session = &restored;
    shell.menuChecked.clear();
    restoreSessionSwitches(app);
    EXPECT_TRUE(restored.linkOn && restored.clockOn && otherTimeline.enabled);
    EXPECT_TRUE(shell.menuChecked[Command::Link]);
    EXPECT_TRUE(shell.menuChecked[Command::MidiClock]);

    dispatchCommand(app, Command::Link);
    EXPECT_FALSE(otherTimeline.enabled);
    EXPECT_FALSE(shell.menuChecked[Command::Link]);
    EXPECT_EQ(loadSessionSwitches(dir.file("pulseLattice.link")), (SessionSwitches{false, true}));
}

TEST(SessionSwitchesFile, MissingOrDamagedMeansBothOff)
{
    ScratchDir dir;
    const std::string path = sessionSwitchesPath(dir.file("pulseLattice.par"));
    EXPECT_EQ(path, dir.file("pulseLattice.link"));
    EXPECT_EQ(loadSessionSwitches(path), SessionSwitches{});
    for (const char* damaged : {"", "link 1", "link 2\nclock 0\n", "clock 1\nlink 1\n", "\x01\x02",
                                "link 0\nclock 0\nfollow 2\n", "link 0\nclock 1\nlouder 1\n"}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_EQ(loadSessionSwitches(path), SessionSwitches{}) << damaged;
    }
}

TEST_F(Session, TheLinkAndClockEntriesAreEnabledInEveryState)
{
    for (int32_t state : {Idle, Ready, Playing}) {
        updateCommandStates(shell, state);
        EXPECT_EQ(shell.menuEnabled.count(Command::Link), 0u);
        EXPECT_EQ(shell.menuEnabled.count(Command::MidiClock), 0u);
    }
    working.playState = Playing;
    dispatchCommand(app, Command::Link);
    EXPECT_TRUE(session.linkOn);
}

TEST_F(Session, OurTempoGoesToTheSessionAndThePeersTempoNeverToTheSettings)
{
    working.tempo = 120;  // alpha 240 ms at tempo 96 becomes 300 ms: 200 BPM
    ready();
    dispatchCommand(app, Command::Link);
    EXPECT_EQ(timeline.sent, std::vector<double>{200.0});

    // An accepted concept (and the durations dialog) send it again; with Link off nothing is sent.
    timeline.setTempo(90.0);  // a peer's tempo
    shell.onDialog = [](int, DialogLogic& logic) {
        FakeControls controls;
        logic.init(controls);
        logic.command(controls, 1);
        return controls.result;
    };
    dispatchCommand(app, Command::Concept);
    EXPECT_EQ(timeline.sent.back(), 200.0);
    EXPECT_EQ(working.tempo, 120);
    EXPECT_EQ(get(player.alphaMs), 300);
    dispatchCommand(app, Command::Link);
    const size_t sentBefore = timeline.sent.size();
    dispatchCommand(app, Command::Concept);
    EXPECT_EQ(timeline.sent.size(), sentBefore);
}

TEST_F(Session, PlayStartsTheSessionOnItsNextBarAndStopStopsItWithClockStop)
{
    ready();
    timeline.peers = 1;
    clock.sleepUntil(std::chrono::milliseconds(1300));
    dispatchCommand(app, Command::Link);
    dispatchCommand(app, Command::MidiClock);
    const size_t before = port.messages.size();
    EXPECT_EQ(dispatchCommand(app, Command::Play), 1);
    EXPECT_TRUE(timeline.playing);
    EXPECT_EQ(timeline.origin, 4.0);  // our beat 0 is the session's bar line after now
    dispatchCommand(app, Command::Stop);
    EXPECT_FALSE(timeline.playing);
    const std::vector<std::string> sent = sentFrom(before);
    ASSERT_EQ(sent.size(), 17u);  // the sweep, then Stop
    EXPECT_EQ(sent.back(), "1300 fc 00 00");
}

TEST_F(Session, APeersStopStopsAsTheStopCommandDoes)
{
    // The same player stopped by the command, for comparison.
    ready();
    dispatchCommand(app, Command::Link);
    dispatchCommand(app, Command::Play);
    size_t before = port.messages.size();
    dispatchCommand(app, Command::Stop);
    const std::vector<std::string> byCommand = sentFrom(before);

    dispatchCommand(app, Command::Play);
    before = port.messages.size();
    timeline.peerStops();
    followSession(app);
    EXPECT_EQ(sentFrom(before), byCommand);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(get(player.playing), 0);
    EXPECT_EQ(transport.gateOpen, 0);
    EXPECT_TRUE(shell.menuEnabled[Command::Play]);
}

TEST_F(Session, APeersStartPlaysWhileReadyButNotWhileIdle)
{
    dispatchCommand(app, Command::Link);
    timeline.peers = 1;
    timeline.peerStarts(clock.now());
    followSession(app);
    EXPECT_EQ(working.playState, Idle);
    EXPECT_TRUE(shell.dialogsRun.empty());  // not even the concept dialog
    timeline.peerStops();
    followSession(app);

    ready();
    clock.sleepUntil(std::chrono::milliseconds(2100));  // session beat 4.2
    timeline.peerStarts(clock.now());
    followSession(app);
    EXPECT_EQ(working.playState, Playing);
    EXPECT_EQ(get(player.playing), 1);
    EXPECT_EQ(timeline.origin, 8.0);  // our beat 0 on the bar line after the peer's start
    EXPECT_EQ(timeline.starts, 0);    // the session plays already: no start of ours
}

TEST_F(Session, TheLatticeHeaderShowsPeersAndTempoOnlyWhileLinkIsOn)
{
    EXPECT_EQ(sessionHeaderLine(app), "");
    dispatchCommand(app, Command::Link);
    timeline.peers = 1;
    timeline.setTempo(123.456);
    EXPECT_EQ(sessionHeaderLine(app), "link: 1 peer, 123.46 BPM");
    timeline.peers = 3;
    EXPECT_EQ(sessionHeaderLine(app), "link: 3 peers, 123.46 BPM");
}

TEST_F(Session, FollowingAClockAndLinkExcludeEachOtherAndOldFilesStayReadable)
{
    dispatchCommand(app, Command::Link);
    dispatchCommand(app, Command::FollowMidiClock);
    EXPECT_TRUE(session.followingClock());
    EXPECT_FALSE(session.linkOn);
    EXPECT_FALSE(timeline.enabled);
    EXPECT_FALSE(shell.menuChecked[Command::Link]);
    EXPECT_TRUE(shell.menuChecked[Command::FollowMidiClock]);
    EXPECT_EQ(loadSessionSwitches(dir.file("pulseLattice.link")), (SessionSwitches{false, false, true}));
    dispatchCommand(app, Command::Link);
    EXPECT_FALSE(session.followingClock());
    EXPECT_FALSE(shell.menuChecked[Command::FollowMidiClock]);
    std::ifstream written(dir.file("pulseLattice.link"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "link 1\nclock 0\n")
        << "without following, the file is as any version writes it";

    // A file from before the follow switch: Link and clock as written, not following.
    std::ofstream(dir.file("pulseLattice.link"), std::ios::trunc) << "link 0\nclock 1\n";
    EXPECT_EQ(loadSessionSwitches(dir.file("pulseLattice.link")), (SessionSwitches{false, true, false}));
}

TEST_F(Session, TheClocksStartRewindsAndPlaysItsStopStopsAndItsSongPositionPicksThePass)
{
    ready();
    dispatchCommand(app, Command::FollowMidiClock);
    const uint32_t rewinds = player.resume.rewinds();
    follower.onClockMessage(kClockStartStatus, 0, clock.now());
    followExternalClock(app);
    EXPECT_EQ(working.playState, Playing);
    EXPECT_EQ(player.resume.rewinds(), rewinds + 1);
    follower.onClockMessage(kClockStopStatus, 0, clock.now());
    followExternalClock(app);
    EXPECT_EQ(working.playState, Ready);

    // Song position 64 sixteenths (beat 16), then Continue: the next pass from there.
    follower.onClockMessage(kSongPositionStatus, 64, clock.now());
    follower.onClockMessage(kClockContinueStatus, 0, clock.now());
    followExternalClock(app);
    EXPECT_EQ(working.playState, Playing);
    const SongPositionStart expected = passStartAtOrAfter(working, 16.0);
    EXPECT_EQ(player.resume.current(), expected.counters);
    EXPECT_NE(expected.counters, LayerCounters{});
    EXPECT_NEAR(follower.beatAtTime(clock.now(), kBarBeats), 16.0 - expected.beat - 1.0 / 24, 1e-9);

    // Not while Idle: a clock never opens the concept dialog.
    dispatchCommand(app, Command::Stop);
    working.playState = Idle;
    follower.onClockMessage(kClockStartStatus, 0, clock.now());
    followExternalClock(app);
    EXPECT_TRUE(shell.dialogsRun.empty());
}

TEST_F(Session, TheLatticeHeaderShowsTheClocksTempoAndWhenItIsHeld)
{
    dispatchCommand(app, Command::FollowMidiClock);
    EXPECT_EQ(sessionHeaderLine(app), "MIDI clock: waiting");
    const double tick = 60e9 / 100 / 24;
    for (int i = 0; i < 30; ++i)
        follower.onClockMessage(kClockTickStatus, 0, Clock::Duration(static_cast<int64_t>(i * tick)));
    clock.sleepUntil(Clock::Duration(static_cast<int64_t>(30 * tick)));
    EXPECT_EQ(sessionHeaderLine(app), "MIDI clock: 100.00 BPM");
    clock.sleepUntil(Clock::Duration(static_cast<int64_t>(90 * tick)));
    EXPECT_EQ(sessionHeaderLine(app), "MIDI clock: held at 100.00 BPM");
}
