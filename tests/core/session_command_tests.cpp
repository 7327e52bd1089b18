// The Link and MIDI clock switches as the user meets them: the menu checks and the side file, our
// tempo to the session, the session's transport followed both ways, and the lattice header line.
#include <gtest/gtest.h>

#include <fstream>

#include "app/command_states.h"
#include "app/commands.h"
#include "app/session/clock_follow.h"
#include "app/session/session_commands.h"
#include "engine/song_position.h"
#include "settings/side_file.h"
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
    const std::string path = sideFilePath(dir.file("pulseLattice.par"), kSessionSwitchesFile);
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
    ready();
    dispatchCommand(app, Command::Play);
    dispatchCommand(app, Command::Link);
    EXPECT_TRUE(session.linkOn);
}

// Our tempo goes to the session only when the user changes it: Link on with no session to join,
// or a dialog that changes the alpha duration. Joining and a dialog with the same tempo never.
TEST_F(Session, OurTempoGoesToTheSessionOnlyWhenTheUserChangesIt)
{
    working.tempo = 120;  // alpha 240 ms at tempo 96 becomes 300 ms: 200 BPM
    ready();
    dispatchCommand(app, Command::Link);  // alone: the session starts at our tempo
    EXPECT_EQ(timeline.tempo(), 200.0);

    auto accept = [](int, DialogLogic& logic) {
        FakeControls controls;
        logic.init(controls);
        logic.command(controls, 1);
        return controls.result;
    };
    shell.onDialog = accept;
    timeline.peers = 1;
    timeline.changeTempo(clock.now(), 116.0);  // a peer's tempo
    dispatchCommand(app, Command::Concept);    // the same tempo: the session keeps the peer's
    dispatchCommand(app, Command::DurationsAndOffsets);
    EXPECT_TRUE(timeline.sent.empty());
    EXPECT_EQ(timeline.tempo(), 116.0);
    EXPECT_EQ(working.tempo, 120);

    shell.onDialog = [](int, DialogLogic& logic) {
        FakeControls controls;
        logic.init(controls);
        type(controls, logic, 1011, "250");  // the alpha duration
        logic.command(controls, 1);
        return controls.result;
    };
    dispatchCommand(app, Command::DurationsAndOffsets);
    ASSERT_EQ(timeline.sent.size(), 1u);
    EXPECT_EQ(timeline.sent[0], 60000.0 / get(player.alphaMs));

    // Off, and on again in a session that plays at 90: joining takes the session's tempo.
    dispatchCommand(app, Command::Link);
    timeline.changeTempo(clock.now(), 90.0);
    dispatchCommand(app, Command::Link);
    EXPECT_EQ(timeline.tempo(), 90.0);
    EXPECT_EQ(timeline.sent.size(), 1u);
    shell.onDialog = accept;
    dispatchCommand(app, Command::Concept);
    EXPECT_EQ(timeline.sent.size(), 1u);
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
    EXPECT_FALSE(transportPlaying(app));
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

// The session poll runs inside a dialog's own event loop. A peer's start seen there is held; the
// dialog's end plays from the next bar when the session still plays, and a peer's stop stops.
TEST_F(Session, APeersStartDuringADialogIsHeldAndPlaysWhenItCloses)
{
    ready();
    dispatchCommand(app, Command::Link);
    timeline.peers = 1;
    bool playedInDialog = true;
    shell.onDialog = [&](int, DialogLogic& logic) {
        timeline.peerStarts(clock.now());
        followSession(app);
        playedInDialog = get(player.playing) != 0;
        FakeControls controls;
        logic.init(controls);
        logic.command(controls, 1);
        return controls.result;
    };
    clock.sleepUntil(std::chrono::milliseconds(2100));
    dispatchCommand(app, Command::Concept);
    EXPECT_FALSE(playedInDialog);
    EXPECT_EQ(working.playState, Playing);
    EXPECT_EQ(get(player.playing), 1);
    EXPECT_FALSE(shell.menuEnabled[Command::Play]);

    timeline.peerStops();
    followSession(app);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(get(player.playing), 0);
    EXPECT_TRUE(shell.menuEnabled[Command::Play]);

    // A start held while the session stops again before the dialog closes plays nothing.
    shell.onDialog = [&](int, DialogLogic&) {
        timeline.peerStarts(clock.now());
        followSession(app);
        timeline.peerStops();
        return 2;
    };
    dispatchCommand(app, Command::Concept);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(get(player.playing), 0);
}

// Link on, then a session found that played before we joined it: it does not start us; a start
// of its own after that does.
TEST_F(Session, ASessionFoundPlayingDoesNotStartUs)
{
    ready();
    clock.sleepUntil(std::chrono::milliseconds(500));
    timeline.peerStarts(std::chrono::milliseconds(100));  // long before we join
    timeline.playing = false;                              // not seen yet: no peer found
    dispatchCommand(app, Command::Link);
    followSession(app);
    clock.sleepUntil(std::chrono::milliseconds(900));
    timeline.peers = 1;
    timeline.playing = true;  // found
    followSession(app);
    EXPECT_EQ(working.playState, Ready);

    timeline.peerStops();
    followSession(app);
    timeline.peerStarts(clock.now());
    followSession(app);
    EXPECT_EQ(working.playState, Playing);
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
