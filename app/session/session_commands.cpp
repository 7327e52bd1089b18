#include "app/session/session_commands.h"

#include <cstdio>

#include "app/commands.h"
#include "app/session/clock_follow.h"
#include "engine/midi_port.h"
#include "resources/command_ids.h"
#include "settings/session_switches.h"

namespace {

// Play asks the session for a start at least this far ahead of the output, so the first note is
// never late however the thread is scheduled.
constexpr Clock::Duration kStartLead = std::chrono::milliseconds(50);

SessionSwitches switchesOf(const SessionSync& session)
{
    return {session.linkOn.load(std::memory_order_relaxed), session.clockOn.load(std::memory_order_relaxed),
            session.followClockOn.load(std::memory_order_relaxed)};
}

void saveSwitches(AppContext& app)
{
    if (!app.parameterFile.path.empty() && app.transport.session)
        saveSessionSwitches(sessionSwitchesPath(app.parameterFile.path), switchesOf(*app.transport.session));
}

void sendTempo(AppContext& app)
{
    SessionSync* session = app.transport.session;
    const int32_t alphaMs = get(app.player.alphaMs);
    if (session && session->following() && alphaMs > 0)
        session->timeline->setTempo(60000.0 / alphaMs);
}

void sendClockStop(AppContext& app)
{
    if (get(app.player.deviceId) != -1)
        sendShortMessage(app.player, kMidiClockStop, 0, 0);
}

void setBetaBeats(AppContext& app)
{
    const SettingsRecord& working = app.working;
    app.transport.session->betaBeats.store(
        working.alphaDuration > 0 ? static_cast<double>(working.betaDuration) / working.alphaDuration : 1.0);
}

void applyLink(AppContext& app, bool on);

// The external clock followed or not; Link goes off when it goes on.
void applyFollowClock(AppContext& app, bool on)
{
    SessionSync& session = *app.transport.session;
    on = on && session.clockFollower;
    if (on && session.linkOn.load())
        applyLink(app, false);
    if (session.clockFollower) {
        session.clockTransportSeen = session.clockFollower->lastTransport().serial;
        session.clockFollower->setEnabled(on);
    }
    session.followClockOn.store(on);
    app.shell.checkMenuItem(Command::FollowMidiClock, on);
}

// The timeline joined or left, the tempo sent, the transport's state taken as seen. Following an
// external clock goes off when Link goes on.
void applyLink(AppContext& app, bool on)
{
    SessionSync& session = *app.transport.session;
    if (on && session.followClockOn.load())
        applyFollowClock(app, false);
    session.linkOn.store(on);
    app.shell.checkMenuItem(Command::Link, on);
    if (!session.timeline)
        return;
    session.timeline->setEnabled(on);
    session.sessionWasPlaying = on && session.timeline->transportPlaying();
    if (on) {
        setBetaBeats(app);
        sendTempo(app);
    }
}

}  // namespace

void toggleLink(AppContext& app)
{
    if (!app.transport.session)
        return;
    applyLink(app, !app.transport.session->linkOn.load());
    saveSwitches(app);
}

void toggleFollowMidiClock(AppContext& app)
{
    if (!app.transport.session)
        return;
    applyFollowClock(app, !app.transport.session->followClockOn.load());
    saveSwitches(app);
}

void toggleMidiClock(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session)
        return;
    const bool on = !session->clockOn.load();
    session->clockOn.store(on);
    app.shell.checkMenuItem(Command::MidiClock, on);
    if (!on && app.working.playState == Playing)
        sendClockStop(app);
    saveSwitches(app);
}

void restoreSessionSwitches(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || app.parameterFile.path.empty())
        return;
    const SessionSwitches stored = loadSessionSwitches(sessionSwitchesPath(app.parameterFile.path));
    session->clockOn.store(stored.clock);
    app.shell.checkMenuItem(Command::MidiClock, stored.clock);
    applyLink(app, stored.link);
    applyFollowClock(app, stored.followClock && !stored.link);
}

void sessionSettingsApplied(AppContext& app)
{
    if (!app.transport.session)
        return;
    setBetaBeats(app);
    sendTempo(app);
}

void sessionPlayStarting(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->following())
        return;
    BeatTimeline& timeline = *session->timeline;
    if (timeline.transportPlaying())
        timeline.alignToStart();
    else
        timeline.requestStart(app.clock.now() + portLatency(app.player) + kStartLead);
    session->sessionWasPlaying = true;
}

void sessionStopped(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session)
        return;
    if (session->clocking())
        sendClockStop(app);
    if (session->following()) {
        if (session->timeline->transportPlaying())
            session->timeline->requestStop();
        session->sessionWasPlaying = false;
    }
}

void followSession(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->following())
        return;
    const bool playing = session->timeline->transportPlaying();
    if (playing == session->sessionWasPlaying)
        return;
    session->sessionWasPlaying = playing;
    if (playing && app.working.playState == Ready && app.transport.gateOpen == 0)
        dispatchCommand(app, Command::Play);
    else if (!playing && app.working.playState == Playing)
        dispatchCommand(app, Command::Stop);
}

std::string sessionHeaderLine(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (session && session->followingClock())
        return clockHeaderLine(app);
    if (!session || !session->following())
        return {};
    const size_t peers = session->timeline->peerCount();
    char line[96];
    std::snprintf(line, sizeof line, "link: %zu %s, %.2f BPM", peers, peers == 1 ? "peer" : "peers",
                  session->timeline->tempo());
    return line;
}
