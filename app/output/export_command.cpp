#include "app/output/export_command.h"

#include "app/command_states.h"
#include "dialogs/export_length_dialog.h"
#include "resources/command_ids.h"

namespace {

const char* const kExtensions[] = {".mid", ".wav", ".txt"};

FileDialogRequest exportFileRequest()
{
    FileDialogRequest request;
    request.title = "export";
    request.filters = {{"MIDI file (*.mid)", "*.mid"}, {"WAV audio (*.wav)", "*.wav"}, {"message list (*.txt)", "*.txt"}};
    request.saving = true;
    request.overwritePrompt = true;
    return request;
}

}  // namespace

std::string withExportExtension(const std::string& path, int filter)
{
    if (path != "-" && renderFormatFor(path))
        return path;
    return path + kExtensions[filter >= 0 && filter < 3 ? filter : 0];
}

void exportRhythm(AppContext& app)
{
    if (app.working.playState != Ready && app.working.playState != Playing)
        return;
    ExportLengthDialog lengthDialog;
    if (app.shell.runDialog(Template::ExportLength, lengthDialog) != 1)
        return;
    const std::optional<FileChoice> choice = app.shell.askFileChoice(exportFileRequest());
    if (!choice || choice->path.empty())
        return;

    // The worker gets its own copies: the live records stay the UI and playback threads' own.
    const SettingsRecord settings = app.working;
    const RenderLength length = lengthDialog.length();
    // What is heard: the layers silenced as Export starts are left out of every format.
    RenderScope scope;
    scope.mutedLayers = app.player.mutedLayers.load(std::memory_order_relaxed);
    if (lengthDialog.fromWherePlayGoesOn())
        scope.startCounters = app.player.resume.current();
    const std::string path = withExportExtension(choice->path, choice->filter);
    const WavRenderer wavRenderer = app.wavRenderer;
    RenderOutcome outcome;
    // The window keeps Stop, Exit and the lattice window meanwhile (see dispatchCommand).
    app.exporting = true;
    disableWhileExporting(app.shell, app.working.playState);
    app.shell.runInBackground("export", [&](WorkProgress& progress) {
        outcome = renderToFile(settings, length, path, wavRenderer, &progress, scope);
    });
    app.exporting = false;
    updateCommandStates(app.shell, app.working.playState);
    if (outcome.status == RenderStatus::CannotWrite || outcome.status == RenderStatus::CannotRender)
        app.shell.showMessage(outcome.error, "error", true);
    else if (outcome.status == RenderStatus::Written)
        app.shell.showStatus("exported to " + path);
    else
        app.shell.showStatus("export cancelled: nothing was written");
}
