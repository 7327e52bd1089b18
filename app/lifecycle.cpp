#include "app/lifecycle.h"

#include "app/command_states.h"
#include "app/commands.h"
#include "app/lattice/layer_mutes.h"
#include "app/parameter_file_commands.h"
#include "app/parameter_file_location.h"
#include "app/session/session_commands.h"
#include "engine/midi_port.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"

namespace {

// The saved device, when it is a port that cannot be opened now (unplugged, its server gone), gives
// way to MIDI_MAPPER for this run, with one box that names it. The saved choice itself is kept for
// the next start. True when the port is open afterwards.
void openSavedDeviceOrFallBack(AppContext& app)
{
    const int32_t saved = app.working.midiDeviceId;
    if (saved == -1)
        return;  // the built-in synthesiser: startPlaybackThread opens it and reports a failure
    put(app.player.deviceId, saved);
    std::string reason;
    const int code = tryOpenPort(app.player, reason);
    if (code == MidiResult::Ok)
        return;
    std::string name;
    const bool named = saved >= 0 && static_cast<uint32_t>(saved) < app.devices.portCount() &&
                       app.devices.portName(static_cast<uint32_t>(saved), name);
    std::string text = "the saved MIDI device " + (named ? "\"" + name + "\"" : std::to_string(saved)) +
                       " cannot be opened: " + openErrorText(code);
    if (!reason.empty())
        text += " (" + reason + ")";
    text += "\n\npulseLattice plays on MIDI_MAPPER, the built-in synthesiser, instead.";
    app.shell.showMessage(text, "error", false);
    app.working.midiDeviceId = -1;
    put(app.player.deviceId, -1);
}

}  // namespace

StartupResult Lifecycle::start(const std::string& executablePath)
{
    app_.parameterFile.path = parameterFilePathFor(executablePath);
    loadParameterFileAtStart(app_.parameterFile, app_.defaults);

    if (!host_.acquireSingleInstance())
        return StartupResult::SecondInstance;

    if (!host_.createMainWindow()) {
        host_.releaseSingleInstance();
        return StartupResult::Failed;
    }
    windowCreated_ = true;

    if (!app_.parameterFile.opened)
        fillBuiltInDefaults(app_.defaults);
    if (commitParameterFile(app_.parameterFile, app_.shell, app_.defaults, app_.working) != 0) {
        close();
        return StartupResult::Failed;
    }
    openSavedDeviceOrFallBack(app_);
    restoreLayerMutes(app_);
    if (startPlaybackThread(app_.transport, app_.player, app_.working, app_.clock) != 0) {
        close();
        return StartupResult::Failed;
    }

    host_.showMainWindow();
    app_.working.playState = Idle;
    updateCommandStates(app_.shell, Idle);
    restoreSessionSwitches(app_);
    return StartupResult::Running;
}

void Lifecycle::close()
{
    // A box of the closing sequence runs its own message loop, in which the close box may be
    // pressed again.
    if (closing_ || closed_)
        return;
    closing_ = true;

    // The thread leaves its pass at once, so the closing sweep is the last thing the port gets.
    host_.releaseWaitingThreads();
    const bool passLeft = haltPlaybackThread(app_.transport);
    if (app_.working.playState == Playing)
        dispatchCommand(app_, Command::Stop);
    else if (passLeft)
        sendNoteOffSweep(app_.player);  // closed while a stopped pass was still draining
    shutdownPlayback(app_.transport, app_.player);
    saveParameterFile(app_.parameterFile, app_.shell, app_.defaults);

    host_.destroyMainWindow();
    host_.releaseSingleInstance();
    closed_ = true;
}
