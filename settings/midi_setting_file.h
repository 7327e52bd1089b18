// MIDI setting files (".gms"): the 16 tones, notes and velocities, saved and restored on request.
#pragma once

#include <cstddef>

#include "settings/settings_record.h"

class ShellPlatform;
struct PlayerState;

inline constexpr size_t kMidiSettingFileSize = 192;

// Asks for a file name and writes the three tables of working. Nothing while Playing.
void saveMidiSettingFile(ShellPlatform& shell, const SettingsRecord& working);

// Asks for an existing file, reads it into the tables of working, sets both offsets to 0,
// refreshes the effective tables and sends the 16 program changes. Nothing while Playing.
void restoreMidiSettingFile(ShellPlatform& shell, SettingsRecord& working, PlayerState& player);

// 1: "failed to save data to a file", 2: "failed to load data from a file"; others show nothing.
void reportFileError(ShellPlatform& shell, int kind);
