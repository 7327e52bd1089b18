#include "app/midi_setting_commands.h"

#include "app/shell_platform.h"
#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "engine/refresh.h"
#include "settings/midi_setting_file.h"

namespace {

FileDialogRequest midiSettingRequest(const char* title)
{
    FileDialogRequest request;
    request.title = title;
    request.filters = {{"MIDI setting file (*.gms)", "*.gms"}, {"all files (*.*)", "*.*"}};
    request.selectedFilter = 0;
    request.defaultSuffix = "gms";
    return request;
}

}  // namespace

FileDialogRequest midiSettingSaveRequest()
{
    FileDialogRequest request = midiSettingRequest("save file as ...");
    request.saving = true;
    request.overwritePrompt = true;
    return request;
}

FileDialogRequest midiSettingOpenRequest()
{
    FileDialogRequest request = midiSettingRequest("open file selected");
    request.fileMustExist = true;
    return request;
}

void saveMidiSettingFile(ShellPlatform& shell, const SettingsRecord& working)
{
    if (working.playState == Playing)
        return;
    const auto path = shell.askFileName(midiSettingSaveRequest());
    if (!path)
        return;
    if (!writeMidiSettingFile(*path, working))
        reportFileError(shell, 1);
}

void restoreMidiSettingFile(ShellPlatform& shell, SettingsRecord& working, PlayerState& player)
{
    if (working.playState == Playing)
        return;
    const auto path = shell.askFileName(midiSettingOpenRequest());
    if (path)
        restoreMidiSettingFileFrom(shell, working, player, *path);
}

void restoreMidiSettingFileFrom(ShellPlatform& shell, SettingsRecord& working, PlayerState& player,
                                const std::string& path)
{
    if (!readMidiSettingFile(path, working)) {
        reportFileError(shell, 2);
        return;
    }
    working.noteOffset = 0;
    working.velocityOffset = 0;
    // With both offsets 0 the effective tables become the plain tables.
    refreshTables(player, working);
    sendProgramChanges(player);
}

void reportFileError(ShellPlatform& shell, int kind)
{
    if (kind == 1)
        shell.showMessage("failed to save data to a file", "error", false);
    else if (kind == 2)
        shell.showMessage("failed to load data from a file", "error", false);
}
