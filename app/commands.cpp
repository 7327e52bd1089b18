#include "app/commands.h"

#include "app/about_dialog.h"
#include "app/command_states.h"
#include "app/confirm_exit_dialog.h"
#include "app/output/export_command.h"
#include "app/midi_setting_commands.h"
#include "app/session/session_commands.h"
#include "app/session/tap_tempo.h"
#include "app/port_names.h"
#include "app/settings_apply.h"
#include "dialogs/concept_dialog.h"
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
    return app.working.playState == Playing;
}

int play(AppContext& app)
{
    if (app.working.playState != Ready) {
        dispatchCommand(app, Command::Concept);  // Play before any concept opens the concept dialog
        return 0;
    }
    if (app.transport.gateOpen != 0)
        return 0;
    // A port that failed (its server died, the audio output was lost) is opened afresh first; if
    // it still cannot be, its box says why and nothing starts.
    if (reopenFailedPort(app.player) != 0)
        return 0;
    app.working.playState = Playing;
    updateCommandStates(app.shell, Playing);
    tapTempoPlayStarting(app);  // a tapped tempo gives way to the settings' own
    sessionPlayStarting(app);  // with Link on, the start waits for the session's bar line
    startPlayback(app.transport, app.player);
    return 1;
}

// The concept and the durations dialogs: refused while playing; confirmed, their edit is applied.
template <typename Dialog>
void runSettingsDialog(AppContext& app, int templateId, void (*apply)(AppContext&, const SettingsEdit&))
{
    if (isPlaying(app))
        return;
    followPortNames(app);  // the dialog lists the ports afresh: the chosen ones are found by name
    const PortChoice before = portChoiceOf(app);
    SettingsEdit edit = editOf(app);
    Dialog dialog(edit.working, edit.defaults, app.devices);
    if (app.shell.runDialog(templateId, dialog) == 1) {
        apply(app, edit);
        sessionSettingsApplied(app);
        notePortNames(app, before);
    }
}

void stop(AppContext& app)
{
    if (!isPlaying(app) || app.transport.gateOpen == 0)
        return;
    stopPlayback(app.transport, app.player);
    sessionStopped(app);
    app.working.playState = Ready;
    updateCommandStates(app.shell, Ready);
}

}  // namespace

int dispatchCommand(AppContext& app, int commandId)
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
        stop(app);
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
