#include "app/session/clock_follow.h"

#include <cstdio>

#include "app/commands.h"
#include "common/diagnostics.h"
#include "engine/song_position.h"
#include "resources/command_ids.h"

namespace {

// Song Position Pointers count sixteenth notes: four to a beat.
constexpr double kSixteenthsPerBeat = 4.0;

void startFromSongPosition(AppContext& app, SessionSync& session, int32_t songPosition)
{
    const double beat = songPosition / kSixteenthsPerBeat;
    const SongPositionStart start = passStartAtOrAfter(app.working, beat);
    if (!start.exact)
        logDiagnostic("MIDI clock: no pass of the rhythm starts within " +
                      std::to_string(static_cast<int>(kSongPositionSearchBeats)) +
                      " beats of the song position; playing from the pass before it");
    app.player.resume.requestStartFrom(start.counters);
    session.clockStartBeat = start.beat;
}

}  // namespace

void followExternalClock(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->followingClock())
        return;
    MidiClockFollower& follower = *session->clockFollower;
    const ClockTransportEvent event = follower.lastTransport();
    if (event.serial != session->clockTransportSeen) {
        session->clockTransportSeen = event.serial;
        session->clockStartWaiting = false;
        const bool playing = app.working.playState == Playing;
        switch (event.kind) {
        case ClockTransport::Start:
            if (playing)
                dispatchCommand(app, Command::Stop);
            if (app.working.playState == Ready) {
                dispatchCommand(app, Command::Rewind);
                session->clockStartBeat = 0.0;  // the first tick after Start
                session->clockStartWaiting = true;
            }
            break;
        case ClockTransport::Continue:
            if (playing && event.songPosition < 0)
                break;  // playing already: we play on
            if (playing)
                dispatchCommand(app, Command::Stop);
            if (app.working.playState == Ready) {
                session->clockStartBeat = 0.0;  // the counters as they stand, on the song's bar lines
                if (event.songPosition >= 0)
                    startFromSongPosition(app, *session, event.songPosition);
                session->clockStartWaiting = true;
            }
            break;
        case ClockTransport::Stop:
            if (playing)
                dispatchCommand(app, Command::Stop);
            break;
        case ClockTransport::None: break;
        }
    }
    // A pass stopped for the start drains first: Play before then would take the stop back.
    if (session->clockStartWaiting && !app.transport.passRunning.load() && follower.transportPlaying()) {
        session->clockStartWaiting = false;
        if (app.working.playState == Ready) {
            follower.beginAtSongBeat(session->clockStartBeat);
            dispatchCommand(app, Command::Play);
        }
    }
}

std::string clockHeaderLine(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->followingClock())
        return {};
    MidiClockFollower& follower = *session->clockFollower;
    if (!follower.locked())
        return "MIDI clock: waiting";
    char line[64];
    std::snprintf(line, sizeof line, "MIDI clock: %s%.2f BPM", follower.held(app.clock.now()) ? "held at " : "",
                  follower.tempo());
    return line;
}
