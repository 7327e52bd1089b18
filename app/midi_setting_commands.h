// The Save and Restore commands: the file dialogs, the boxes, and what a restored file changes.
#pragma once

#include <string>

#include "settings/settings_record.h"

class ShellPlatform;
struct FileDialogRequest;
struct PlayerState;

// The file dialogs of the two commands.
FileDialogRequest midiSettingSaveRequest();
FileDialogRequest midiSettingOpenRequest();

// Asks for a file name and writes the three tables of working. Nothing while Playing.
void saveMidiSettingFile(ShellPlatform& shell, const SettingsRecord& working);

// Asks for an existing file, reads it into the tables of working, sets both offsets to 0,
// refreshes the effective tables and sends the 16 program changes. Nothing while Playing.
// DefaultSettings and the "save as default" flags are not touched.
void restoreMidiSettingFile(ShellPlatform& shell, SettingsRecord& working, PlayerState& player);

// What Restore does once the file is chosen: reads `path` (the "failed to load" box when it cannot
// be read, and nothing changes), sets both offsets to 0, refreshes the effective tables and sends
// the 16 program changes. The caller makes sure it is not Playing.
void restoreMidiSettingFileFrom(ShellPlatform& shell, SettingsRecord& working, PlayerState& player,
                                const std::string& path);

// 1: "failed to save data to a file", 2: "failed to load data from a file" (caption "error", no
// owner); other kinds show nothing.
void reportFileError(ShellPlatform& shell, int kind);
