#include "app/transport/transport_owner.h"

#include "app/app_context.h"
#include "app/command_states.h"
#include "app/session/session_commands.h"
#include "app/session/tap_tempo.h"
#include "app/voice_set_opening.h"
#include "engine/midi_port.h"

namespace {

// The written play state and the command greying follow the phase; Closed keeps the last ones.
void enter(AppContext& app, TransportPhase phase)
{
    app.transportOwner.phase = phase;
    const PlayState written = phase == TransportPhase::Idle ? Idle : phase == TransportPhase::Ready ? Ready : Playing;
    app.working.playState = written;
    updateCommandStates(app.shell, written);
    if (app.exporting)
        disableWhileExporting(app.shell, written);  // Play and the dialogs wait for the Export
}

}  // namespace

bool transportPlaying(const AppContext& app)
{
    return app.transportOwner.phase == TransportPhase::Playing;
}

void transportShown(AppContext& app)
{
    enter(app, TransportPhase::Idle);
}

void transportConceptAccepted(AppContext& app)
{
    const TransportPhase phase = app.transportOwner.phase;
    if (phase == TransportPhase::Idle || phase == TransportPhase::Ready)
        enter(app, TransportPhase::Ready);
}

bool transportPlay(AppContext& app)
{
    if (app.transportOwner.phase != TransportPhase::Ready)
        return false;
    // A port that failed (its server died, the audio output was lost) is opened afresh first; if
    // it still cannot be, its box says why and nothing starts.
    if (reopenFailedPort(app.player) != 0)
        return false;
    enter(app, TransportPhase::Playing);
    tapTempoPlayStarting(app);  // a tapped tempo gives way to the settings' own
    if (sessionPlayStarting(app))  // with Link on, the start waits for the session's bar line
        app.transportOwner.sessionSeenPlaying = true;
    startPlayback(app.transport, app.player);
    return true;
}

void transportStop(AppContext& app)
{
    if (app.transportOwner.phase != TransportPhase::Playing)
        return;
    stopPlayback(app.transport, app.player);
    if (sessionStopped(app))
        app.transportOwner.sessionSeenPlaying = false;
    enter(app, TransportPhase::Ready);
    restoreVoiceSetAfterStop(app);  // a voice set opened while playing
}

bool transportClose(AppContext& app)
{
    const bool played = transportPlaying(app);
    transportStop(app);
    app.transportOwner.peerStartHeld = false;
    app.transportOwner.phase = TransportPhase::Closed;
    return played;
}

bool transportCloseWithoutDisplay(AppContext& app)
{
    const bool played = transportPlaying(app);
    put(app.player.playing, 0);
    app.transportOwner.peerStartHeld = false;
    app.transportOwner.phase = TransportPhase::Closed;
    return played;
}

void transportSessionSeen(AppContext& app, bool playing, Clock::Duration changedAt)
{
    TransportOwner& owner = app.transportOwner;
    if (playing == owner.sessionSeenPlaying)
        return;
    owner.sessionSeenPlaying = playing;
    if (playing && changedAt < owner.sessionJoinedAt)
        return;  // it played before we joined
    if (!playing) {
        owner.peerStartHeld = false;
        transportStop(app);
    } else if (owner.commandsInProgress > 0) {
        owner.peerStartHeld = true;  // a dialog is open: its end decides
    } else {
        transportPlay(app);
    }
}

void transportLinkSwitched(AppContext& app, bool sessionPlaying)
{
    app.transportOwner.sessionSeenPlaying = sessionPlaying;
    app.transportOwner.peerStartHeld = false;
    app.transportOwner.sessionJoinedAt = app.clock.now();
}

void transportCommandBegins(AppContext& app)
{
    ++app.transportOwner.commandsInProgress;
}

void transportCommandEnds(AppContext& app)
{
    TransportOwner& owner = app.transportOwner;
    if (--owner.commandsInProgress > 0 || !owner.peerStartHeld)
        return;
    owner.peerStartHeld = false;
    // Play looks at the session afresh: it starts on the bar after now, or not at all when the
    // session stopped meanwhile.
    if (sessionTransportPlaying(app))
        transportPlay(app);
}
