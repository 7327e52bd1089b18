#include "settings/midi_setting_file.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "app/shell_platform.h"
#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "engine/refresh.h"
#include "settings/atomic_file.h"

// The tables are stored as their memory image, which is the file's little-endian layout only here.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(SettingsRecord::tones) + sizeof(SettingsRecord::notes) + sizeof(SettingsRecord::velocities) ==
              kMidiSettingFileSize);

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

bool writeMidiSettingFile(const std::string& path, const SettingsRecord& record)
{
    uint8_t bytes[kMidiSettingFileSize];
    std::memcpy(bytes, record.tones, 64);
    std::memcpy(bytes + 64, record.notes, 64);
    std::memcpy(bytes + 128, record.velocities, 64);
    return writeFileAtomically(path, bytes);
}

bool readMidiSettingFile(const std::string& path, SettingsRecord& record)
{
    // Start from the current tables so that bytes the file lacks keep their values.
    uint8_t bytes[kMidiSettingFileSize];
    std::memcpy(bytes, record.tones, 64);
    std::memcpy(bytes + 64, record.notes, 64);
    std::memcpy(bytes + 128, record.velocities, 64);
    if (readFilePrefix(path, bytes) < 0)
        return false;
    std::memcpy(record.tones, bytes, 64);
    std::memcpy(record.notes, bytes + 64, 64);
    std::memcpy(record.velocities, bytes + 128, 64);
    return true;
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
    if (!path)
        return;
    if (!readMidiSettingFile(*path, working)) {
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
