#include "app/lifecycle.h"

#include "app/command_states.h"
#include "app/commands.h"
#include "app/lattice/layer_mutes.h"
#include "app/output_offset_command.h"
#include "app/parameter_file_commands.h"
#include "app/parameter_file_location.h"
#include "app/session/session_commands.h"
#include "app/port_names.h"
#include "app/transport/transport_owner.h"
#include "app/voice_set_opening.h"
#include "engine/midi_port.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"

namespace {

constexpr const char* kNoOutputAdvice =
    "pulseLattice runs without sound for now. Start the audio server (or install what is missing) and press "
    "Play, or choose a MIDI port in the concept dialog: both open the output again.";

// What the backend says about a failed open, after the table's text.
std::string openFailureText(int code, const std::string& reason)
{
    std::string text = openErrorText(code);
    if (!reason.empty())
        text += " (" + reason + ")";
    return text;
}

// Opens the output for the start: the saved port (found by its name when the name file has it),
// else MIDI_MAPPER (the built-in synthesiser).
// A saved port that cannot be opened now (unplugged, its server gone) gives way to MIDI_MAPPER for
// this run; the saved choice itself is kept for the next start. Returns the text of the one box
// the start shows (empty: nothing to say); when nothing opens, the box says what is missing and
// what to do, and the program runs on without an open port.
std::string openOutputAtStart(AppContext& app)
{
    std::string text;
    std::string reason;
    const std::string gone = followPortNamesAtStart(app);
    if (!gone.empty()) {
        text = "the saved MIDI device \"" + gone + "\" is not listed now";
        app.working.midiDeviceId = -1;
    }
    const int32_t saved = app.working.midiDeviceId;
    if (saved != -1) {
        put(app.player.deviceId, saved);
        const int code = tryOpenPort(app.player, reason);
        if (code == MidiResult::Ok)
            return {};
        std::string name;
        const bool named = saved >= 0 && static_cast<uint32_t>(saved) < app.devices.portCount() &&
                           app.devices.portName(static_cast<uint32_t>(saved), name);
        text = "the saved MIDI device " + (named ? "\"" + name + "\"" : std::to_string(saved)) +
               " cannot be opened: " + openFailureText(code, reason);
        app.working.midiDeviceId = -1;
        reason.clear();
    }
    put(app.player.deviceId, -1);
    const int code = tryOpenPort(app.player, reason);
    if (code == MidiResult::Ok)
        return text.empty() ? text : text + "\n\npulseLattice plays on MIDI_MAPPER, the built-in synthesiser, instead.";
    if (!text.empty())
        text += "\n\n";
    return text + "no sound output could be opened: MIDI_MAPPER, the built-in synthesiser: " +
           openFailureText(code, reason) + "\n\n" + kNoOutputAdvice;
}

}  // namespace

StartupResult Lifecycle::start(const std::string& executablePath, const std::string& voiceSetPath)
{
    voiceSetPath_ = voiceSetPath;
    app_.parameterFile.path = parameterFilePathFor(executablePath);
    app_.parameterFile.placesTried = parameterFilePlaces(executablePath);
    loadParameterFileAtStart(app_.parameterFile, app_.defaults);

    if (!host_.acquireSingleInstance()) {
        if (!voiceSetPath.empty())
            host_.handFileToRunningCopy(voiceSetPath);
        return StartupResult::SecondInstance;
    }

    if (!host_.createMainWindow()) {
        host_.releaseSingleInstance();
        return StartupResult::Failed;
    }
    windowCreated_ = true;

    if (!app_.parameterFile.opened)
        fillBuiltInDefaults(app_.defaults);
    // Nowhere to keep the file: its box has said so, and the run goes on without saving.
    commitParameterFile(app_.parameterFile, app_.shell, app_.defaults, app_.working);
    if (closing_ || closed_)
        return StartupResult::Closed;  // a signal closed the program while the box was up
    restoreLayerMutes(app_);
    launchPlaybackThread(app_.transport, app_.player, app_.working, app_.clock);

    host_.showMainWindow();
    transportShown(app_);
    // The port (listing the ports, connecting to the audio server) and the session come once the
    // window is on the screen: the first window needs neither.
    host_.whenWindowShown([this] { openOutputAndSession(); });
    return closing_ || closed_ ? StartupResult::Closed : StartupResult::Running;
}

void Lifecycle::openOutputAndSession()
{
    if (closing_ || closed_)
        return;
    restoreOutputOffsets(app_);  // before the port opens, which takes its offset from them
    // A Play in the moments before has opened the port itself.
    const std::string problem = portIsOpen(app_.player) ? std::string() : openOutputAtStart(app_);
    restoreSessionSwitches(app_);
    // Over the window that is already there: the program is usable, only without that output.
    if (!problem.empty())
        app_.shell.showMessage(problem, "error", false);
    if (!voiceSetPath_.empty() && !closing_ && !closed_)
        openVoiceSet(app_, voiceSetPath_);
}

void Lifecycle::close()
{
    // A box of the closing sequence runs its own message loop, in which the close box may be
    // pressed again.
    if (closing_ || closed_)
        return;
    // An Export under way is cancelled first; the close comes again once its worker has ended.
    if (app_.shell.deferCloseUntilWorkEnds())
        return;
    closing_ = true;

    // The thread leaves its pass at once, so the closing sweep is the last thing the port gets.
    host_.releaseWaitingThreads();
    const bool passLeft = haltPlaybackThread(app_.transport);
    app_.voiceSetAfterStop.clear();  // the program ends: the closing Stop restores nothing
    if (!transportClose(app_) && passLeft)
        sendNoteOffSweep(app_.player);  // closed while a stopped pass was still draining
    shutdownPlayback(app_.transport, app_.player);
    saveParameterFile(app_.parameterFile, app_.shell, app_.defaults);
    savePortNames(app_);

    host_.destroyMainWindow();
    host_.releaseSingleInstance();
    closed_ = true;
}

void Lifecycle::closeWithoutDisplay()
{
    if (closing_ || closed_ || !windowCreated_)
        return;
    closing_ = true;
    const bool passLeft = haltPlaybackThread(app_.transport);
    if (transportCloseWithoutDisplay(app_) || passLeft)
        sendNoteOffSweep(app_.player);
    shutdownPlayback(app_.transport, app_.player);
    saveParameterFile(app_.parameterFile, app_.shell, app_.defaults, false);
    savePortNames(app_);
    closed_ = true;
}
