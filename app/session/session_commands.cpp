#include "app/session/session_commands.h"

#include <cstdio>

#include "app/transport/transport_owner.h"
#include "app/session/clock_follow.h"
#include "engine/beat_multiple.h"
#include "engine/midi_port.h"
#include "resources/command_ids.h"
#include "settings/rhythm_units.h"
#include "settings/session_switches.h"
#include "settings/side_file.h"

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
        saveSessionSwitches(sideFilePath(app.parameterFile.path, kSessionSwitchesFile), switchesOf(*app.transport.session));
}

// Our tempo, the BPM of an alpha event; none before a concept gave one.
void sendTempo(AppContext& app, BeatTimeline& timeline)
{
    const int32_t alphaMs = get(app.player.alphaMs);
    if (alphaMs > 0)
        timeline.setTempo(beatsPerMinute(alphaMs));
}

void sendClockStop(AppContext& app)
{
    if (get(app.player.deviceId) != -1)
        sendShortMessage(app.player, kMidiClockStop, 0, 0);
}

void setBetaBeats(AppContext& app)
{
    app.transport.session->betaBeats.store(betaEventBeats(app.working.alphaDuration, app.working.betaDuration));
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
        app.clockFollow.transportSeen = session.clockFollower->lastTransport().serial;
        session.clockFollower->setEnabled(on);
    }
    session.followClockOn.store(on);
    app.shell.checkMenuItem(Command::FollowMidiClock, on);
}

// The timeline joined or left, the transport's state taken as seen. Our tempo is set on the
// timeline before it joins: alone, the new session starts at our tempo; a session found takes
// precedence, so joining never moves the peers. Following an external clock goes off.
void applyLink(AppContext& app, bool on)
{
    SessionSync& session = *app.transport.session;
    if (on && session.followClockOn.load())
        applyFollowClock(app, false);
    if (on && session.timeline) {
        setBetaBeats(app);
        sendTempo(app, *session.timeline);
    }
    session.linkOn.store(on);
    app.shell.checkMenuItem(Command::Link, on);
    if (!session.timeline)
        return;
    session.timeline->setEnabled(on);
    transportLinkSwitched(app, on && session.timeline->transportPlaying());
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
    if (!on && transportPlaying(app))
        sendClockStop(app);
    saveSwitches(app);
}

void restoreSessionSwitches(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || app.parameterFile.path.empty())
        return;
    const SessionSwitches stored = loadSessionSwitches(sideFilePath(app.parameterFile.path, kSessionSwitchesFile));
    session->clockOn.store(stored.clock);
    app.shell.checkMenuItem(Command::MidiClock, stored.clock);
    applyLink(app, stored.link);
    applyFollowClock(app, stored.followClock && !stored.link);
}

void sessionSettingsApplied(AppContext& app, int32_t alphaMsBefore)
{
    SessionSync* session = app.transport.session;
    if (!session)
        return;
    setBetaBeats(app);
    if (session->following() && get(app.player.alphaMs) != alphaMsBefore)
        sendTempo(app, *session->timeline);
}

bool sessionPlayStarting(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->following())
        return false;
    BeatTimeline& timeline = *session->timeline;
    if (timeline.transportPlaying())
        timeline.alignToStart();
    else
        timeline.requestStart(app.clock.now() + portLatency(app.player) + kStartLead);
    return true;
}

bool sessionStopped(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session)
        return false;
    if (session->clocking())
        sendClockStop(app);
    if (!session->following())
        return false;
    if (session->timeline->transportPlaying())
        session->timeline->requestStop();
    return true;
}

bool sessionTransportPlaying(AppContext& app)
{
    SessionSync* session = app.transport.session;
    return session && session->following() && session->timeline->transportPlaying();
}

void followSession(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->following())
        return;
    BeatTimeline& timeline = *session->timeline;
    transportSessionSeen(app, timeline.transportPlaying(), timeline.transportChangedAt());
}

namespace {

// ", 1 event per 4 beats" where an alpha event is not one beat: while playing the pacer's choice,
// else what the next Play would choose at `bpm`.
std::string beatsPerEventItem(AppContext& app, double bpm)
{
    const double perEvent = app.working.playState == Playing
                                ? app.transport.session->beatsPerEvent.load(std::memory_order_relaxed)
                                : beatsPerEventAt(bpm, 1.0, true);
    const std::string text = beatsPerEventText(perEvent);
    return text.empty() ? text : ", " + text;
}

}  // namespace

std::string sessionHeaderLine(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (session && session->followingClock()) {
        const std::string line = clockHeaderLine(app);
        return session->clockFollower->locked() ? line + beatsPerEventItem(app, session->clockFollower->tempo()) : line;
    }
    if (!session || !session->following())
        return {};
    const size_t peers = session->timeline->peerCount();
    const double bpm = session->timeline->tempo();
    char line[96];
    std::snprintf(line, sizeof line, "link: %zu %s, %.2f BPM", peers, peers == 1 ? "peer" : "peers", bpm);
    return line + beatsPerEventItem(app, bpm);
}
