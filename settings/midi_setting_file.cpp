#include "settings/midi_setting_file.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "settings/atomic_file.h"

// The tables are stored as their memory image, which is the file's little-endian layout only here.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(SettingsRecord::tones) == kMidiSettingNotesOffset - kMidiSettingTonesOffset);
static_assert(sizeof(SettingsRecord::notes) == kMidiSettingVelocitiesOffset - kMidiSettingNotesOffset);
static_assert(sizeof(SettingsRecord::velocities) == kMidiSettingFileSize - kMidiSettingVelocitiesOffset);

namespace {

void tablesToBytes(const SettingsRecord& record, uint8_t (&bytes)[kMidiSettingFileSize])
{
    std::memcpy(bytes + kMidiSettingTonesOffset, record.tones, sizeof record.tones);
    std::memcpy(bytes + kMidiSettingNotesOffset, record.notes, sizeof record.notes);
    std::memcpy(bytes + kMidiSettingVelocitiesOffset, record.velocities, sizeof record.velocities);
}

}  // namespace

bool writeMidiSettingFile(const std::string& path, const SettingsRecord& record)
{
    uint8_t bytes[kMidiSettingFileSize];
    tablesToBytes(record, bytes);
    return writeFileAtomically(path, bytes);
}

bool readMidiSettingFile(const std::string& path, SettingsRecord& record)
{
    // Start from the current tables so that bytes the file lacks keep their values.
    uint8_t bytes[kMidiSettingFileSize];
    tablesToBytes(record, bytes);
    if (readFilePrefix(path, bytes) < 0)
        return false;
    std::memcpy(record.tones, bytes + kMidiSettingTonesOffset, sizeof record.tones);
    std::memcpy(record.notes, bytes + kMidiSettingNotesOffset, sizeof record.notes);
    std::memcpy(record.velocities, bytes + kMidiSettingVelocitiesOffset, sizeof record.velocities);
    return true;
}
