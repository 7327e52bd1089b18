// MIDI setting files (".gms"): the 16 tones, notes and velocities, saved and restored on request.
#pragma once

#include <cstddef>
#include <string>

#include "settings/settings_record.h"

class ShellPlatform;
struct FileDialogRequest;
struct PlayerState;

// Tones, then notes, then velocities: 16 signed 32-bit little-endian integers each, channel order.
inline constexpr size_t kMidiSettingFileSize = 192;

// The file dialogs of the two commands.
FileDialogRequest midiSettingSaveRequest();
FileDialogRequest midiSettingOpenRequest();

// Writes the three tables of `record` (without the offsets) to `path`, replacing it whole or not at
// all. False when the file could not be written.
bool writeMidiSettingFile(const std::string& path, const SettingsRecord& record);

// Reads `path` into the three tables of `record`, in file order: a short file replaces the front
// and leaves the rest, bytes past 192 are ignored, values are taken unchecked. Nothing else of the
// record changes. False (and nothing read) when the file cannot be opened.
bool readMidiSettingFile(const std::string& path, SettingsRecord& record);

// Asks for a file name and writes the three tables of working. Nothing while Playing.
void saveMidiSettingFile(ShellPlatform& shell, const SettingsRecord& working);

// Asks for an existing file, reads it into the tables of working, sets both offsets to 0,
// refreshes the effective tables and sends the 16 program changes. Nothing while Playing.
// DefaultSettings and the "save as default" flags are not touched.
void restoreMidiSettingFile(ShellPlatform& shell, SettingsRecord& working, PlayerState& player);

// 1: "failed to save data to a file", 2: "failed to load data from a file" (caption "error", no
// owner); other kinds show nothing.
void reportFileError(ShellPlatform& shell, int kind);
