// MIDI setting files (".gms"): the 16 tones, notes and velocities of a settings record.
#pragma once

#include <cstddef>
#include <string>

#include "settings/settings_record.h"

// Tones, then notes, then velocities: 16 signed 32-bit little-endian integers each, channel order.
inline constexpr size_t kMidiSettingTonesOffset = 0;
inline constexpr size_t kMidiSettingNotesOffset = 64;
inline constexpr size_t kMidiSettingVelocitiesOffset = 128;
inline constexpr size_t kMidiSettingFileSize = 192;

// Writes the three tables of `record` (without the offsets) to `path`, replacing it whole or not at
// all. False when the file could not be written.
bool writeMidiSettingFile(const std::string& path, const SettingsRecord& record);

// Reads `path` into the three tables of `record`, in file order: a short file replaces the front
// and leaves the rest, bytes past 192 are ignored, values are taken unchecked. Nothing else of the
// record changes. False (and nothing read) when the file cannot be opened.
bool readMidiSettingFile(const std::string& path, SettingsRecord& record);
