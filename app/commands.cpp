#include "app/commands.h"

#include "app/about_dialog.h"
#include "app/command_states.h"
#include "app/confirm_exit_dialog.h"
#include "app/control/control_desk.h"
#include "app/output/export_command.h"
#include "app/midi_setting_commands.h"
#include "app/output_offset_command.h"
#include "app/session/session_commands.h"
#include "app/session/tap_tempo.h"
#include "app/port_names.h"
#include "app/settings_apply.h"
#include "app/transport/transport_owner.h"
#include "app/voice_set_opening.h"
#include "common/diagnostics.h"
#include "dialogs/concept_dialog.h"
#include "dialogs/controls_dialog.h"
#include "dialogs/durations_dialog.h"
#include "dialogs/voice_table_dialog.h"
#include "engine/midi_port.h"
#include "engine/refresh.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "settings/midi_setting_file.h"
#include "settings/numeral_presets.h"

namespace {

bool isPlaying(const AppContext& app)
{
    return transportPlaying(app);
}

int play(AppContext& app);

// The concept and the durations dialogs: refused while playing; confirmed, their edit is applied.
template <typename Dialog>
void runSettingsDialog(AppContext& app, int templateId, void (*apply)(AppContext&, const SettingsEdit&))
{
    if (isPlaying(app))
        return;
    followPortNames(app);  // the dialog lists the ports afresh: the chosen ones are found by name
    const PortChoice before = portChoiceOf(app);
    const int32_t alphaMsBefore = get(app.player.alphaMs);
    SettingsEdit edit = editOf(app);
    Dialog dialog(edit.working, edit.defaults, app.devices);
    if (app.shell.runDialog(templateId, dialog) == 1) {
        apply(app, edit);
        sessionSettingsApplied(app, alphaMsBefore);
        notePortNames(app, before);
    }
}

// The Controls dialog edits a copy of the bindings and of the kept OSC settings; confirmed, they
// are taken and kept, and changed OSC settings restart the server. A learn still waiting when it
// ends is dropped, so no control goes to a dialog that has gone.
void runControlsDialog(AppContext& app, ControlDesk& desk)
{
    const std::string oscPath = oscSettingsPath(app.parameterFile.path);
    const OscSettings oscBefore = loadOscSettings(oscPath);
    ControlsDialog dialog(desk.bindings(), desk, oscBefore);
    const int result = app.shell.runDialog(Template::Controls, dialog);
    desk.cancelLearn();
    if (result != 1)
        return;
    desk.setBindings(dialog.bindings());
    const OscSettings osc = dialog.oscSettings();
    if (osc == oscBefore)
        return;  // as kept: an --osc-port of this run stays in force
    if (!saveOscSettings(oscPath, osc))
        logDiagnostic("OSC: the settings cannot be kept in " + oscPath);
    if (!app.applyOscSettings)
        return;
    if (const std::string error = app.applyOscSettings(osc); !error.empty())
        app.shell.showMessage("The OSC server cannot listen on UDP port " + std::to_string(osc.port) + ": " + error,
                              "error", true);
}

// While an Export runs, the window keeps Stop, Exit and the lattice window; Play, the dialogs and
// a second Export wait for it to end.
bool answersDuringExport(int commandId)
{
    return commandId == Command::Stop || commandId == Command::Exit || commandId == Command::ExitButton ||
           commandId == Command::Lattice;
}

int play(AppContext& app)
{
    if (app.transportOwner.phase == TransportPhase::Idle) {
        runSettingsDialog<ConceptDialog>(app, Template::Concept, applyConcept);  // Play before any concept
        return 0;
    }
    return transportPlay(app) ? 1 : 0;
}

int runCommand(AppContext& app, int commandId);

// A command's dialogs and boxes run their own event loops: the transport's owner holds a peer's
// start seen meanwhile until the command has ended.
struct CommandInProgress {
    explicit CommandInProgress(AppContext& app) : app(app) { transportCommandBegins(app); }
    ~CommandInProgress() { transportCommandEnds(app); }
    CommandInProgress(const CommandInProgress&) = delete;
    CommandInProgress& operator=(const CommandInProgress&) = delete;
    AppContext& app;
};

}  // namespace

int dispatchCommand(AppContext& app, int commandId)
{
    if (app.exporting && !answersDuringExport(commandId))
        return 0;
    CommandInProgress inProgress(app);
    return runCommand(app, commandId);
}

namespace {

int runCommand(AppContext& app, int commandId)
{
    switch (commandId) {
    case Command::ExitButton:
        app.shell.postClose();
        return 1;
    case Command::Exit: {
        ConfirmExitDialog dialog;
        if (app.shell.runDialog(Template::ConfirmExit, dialog) == 1)
            app.shell.postClose();
        return 0;
    }
    case Command::Export:
        exportRhythm(app);
        return 0;
    case Command::About: {
        AboutDialog dialog;
        app.shell.runDialog(Template::About, dialog);
        return 0;
    }
    case Command::DurationsAndOffsets:
        runSettingsDialog<DurationsDialog>(app, Template::DurationsAndOffsets, applyDurationsAndOffsets);
        return 0;
    case Command::Concept:
        runSettingsDialog<ConceptDialog>(app, Template::Concept, applyConcept);
        return 0;
    case Command::Play:
        return play(app);
    case Command::Stop:
        transportStop(app);
        return 0;
    case Command::Tone:
    case Command::Note:
    case Command::Velocity: {
        if (isPlaying(app))
            return 0;
        const int templateId = commandId == Command::Tone   ? Template::Tones
                               : commandId == Command::Note ? Template::Notes
                                                            : Template::Velocities;
        SettingsEdit edit = editOf(app);
        VoiceTableDialog dialog(templateId, edit.working);
        if (app.shell.runDialog(templateId, dialog) != 1)
            return 0;
        if (commandId == Command::Tone)
            applyTones(app, edit);
        else if (commandId == Command::Note)
            applyNotes(app, edit);
        else
            applyVelocities(app, edit);
        return 0;
    }
    case Command::Save:
        saveMidiSettingFile(app.shell, app.working);
        return 0;
    case Command::Restore:
        restoreMidiSettingFile(app.shell, app.working, app.player);
        return 0;
    case Command::Lattice:
        app.shell.showLatticeView();
        return 0;
    case Command::Rewind:
        if (!isPlaying(app))
            rewindPlayback(app.player);  // the lattice preview sees the rewind and starts over
        return 0;
    case Command::Link:
        toggleLink(app);
        return 0;
    case Command::MidiClock:
        toggleMidiClock(app);
        return 0;
    case Command::OutputOffset:
        runOutputOffsetDialog(app);
        return 0;
    case Command::Controls:
        if (app.controlDesk)
            runControlsDialog(app, *app.controlDesk);
        return 0;
    case Command::FollowMidiClock:
        toggleFollowMidiClock(app);
        return 0;
    case Command::TapTempo:
        tapTempo(app);
        return 0;
    default:
        return 0;
    }
}

}  // namespace
