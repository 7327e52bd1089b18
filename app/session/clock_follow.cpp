#include "app/session/clock_follow.h"

#include <cstdio>

#include "app/commands.h"
#include "common/diagnostics.h"
#include "engine/song_position.h"
#include "resources/command_ids.h"

namespace {

// Song Position Pointers count sixteenth notes: four to a beat.
constexpr double kSixteenthsPerBeat = 4.0;

void startFromSongPosition(AppContext& app, int32_t songPosition)
{
    const double beat = songPosition / kSixteenthsPerBeat;
    const SongPositionStart start = passStartAtOrAfter(app.working, beat);
    if (!start.exact)
        logDiagnostic("MIDI clock: no pass of the rhythm starts within " +
                      std::to_string(static_cast<int>(kSongPositionSearchBeats)) +
                      " beats of the song position; playing from the pass before it");
    app.player.resume.requestStartFrom(start.counters);
    app.clockFollow.startBeat = start.beat;
}

}  // namespace

void followExternalClock(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (!session || !session->followingClock())
        return;
    MidiClockFollower& follower = *session->clockFollower;
    const ClockTransportEvent event = follower.lastTransport();
    if (event.serial != app.clockFollow.transportSeen) {
        app.clockFollow.transportSeen = event.serial;
        app.clockFollow.startWaiting = false;
        const bool playing = app.working.playState == Playing;
        switch (event.kind) {
        case ClockTransport::Start:
            if (playing)
                dispatchCommand(app, Command::Stop);
            if (app.working.playState == Ready) {
                dispatchCommand(app, Command::Rewind);
                app.clockFollow.startBeat = 0.0;  // the first tick after Start
                app.clockFollow.startWaiting = true;
            }
            break;
        case ClockTransport::Continue:
            if (playing && event.songPosition < 0)
                break;  // playing already: we play on
            if (playing)
                dispatchCommand(app, Command::Stop);
            if (app.working.playState == Ready) {
                app.clockFollow.startBeat = 0.0;  // the counters as they stand, on the song's bar lines
                if (event.songPosition >= 0)
                    startFromSongPosition(app, event.songPosition);
                app.clockFollow.startWaiting = true;
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
    if (app.clockFollow.startWaiting && !app.transport.passRunning.load() && follower.transportPlaying()) {
        app.clockFollow.startWaiting = false;
        if (app.working.playState == Ready) {
            follower.beginAtSongBeat(app.clockFollow.startBeat);
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
