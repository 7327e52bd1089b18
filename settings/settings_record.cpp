#include "settings/settings_record.h"

#include <cstring>

SettingsRecord WorkingSettings{};
SettingsRecord DefaultSettings{};

namespace {

// A run of the record that a merge takes or leaves whole: a value, a reserved block, or a table
// of `count` entries of `size` bytes, each entry on its own.
struct RecordField {
    size_t offset;
    size_t size;
    size_t count = 1;
};

using R = SettingsRecord;
constexpr RecordField kRecordFields[] = {
    {offsetof(R, headerWord), 4},        {offsetof(R, reserved4), 8},
    {offsetof(R, screenWidth), 4},       {offsetof(R, screenHeight), 4},
    {offsetof(R, reserved20), 16},       {offsetof(R, windowRect), 4, 4},
    {offsetof(R, reserved52), 16},       {offsetof(R, windowWidth), 4},
    {offsetof(R, windowHeight), 4},      {offsetof(R, reserved76), 8},
    {offsetof(R, playState), 4},         {offsetof(R, saveConceptAsDefault), 8},
    {offsetof(R, saveTonesAsDefault), 8}, {offsetof(R, saveNotesAsDefault), 8},
    {offsetof(R, saveVelocitiesAsDefault), 8}, {offsetof(R, midiDeviceId), 4},
    {offsetof(R, reserved124), 4},       {offsetof(R, numeral), 8},
    {offsetof(R, numeralPreset), 4},     {offsetof(R, tempo), 4},
    {offsetof(R, layerIndex), 4},        {offsetof(R, alphaDuration), 4},
    {offsetof(R, betaDuration), 4},      {offsetof(R, noteOffset), 4},
    {offsetof(R, velocityOffset), 4},    {offsetof(R, modulationEnabled), 4},
    {offsetof(R, modulationNoteOffset), 4}, {offsetof(R, modulationVelocityOffset), 4},
    {offsetof(R, modulationLayer), 4},   {offsetof(R, modulationTone), 4},
    {offsetof(R, tones), 4, 16},         {offsetof(R, notes), 4, 16},
    {offsetof(R, velocities), 4, 16},
};

// The fields follow each other without a gap and end where the record ends.
constexpr bool fieldsCoverTheRecord()
{
    size_t next = 0;
    for (const RecordField& field : kRecordFields) {
        if (field.offset != next)
            return false;
        next += field.size * field.count;
    }
    return next == sizeof(SettingsRecord);
}
static_assert(fieldsCoverTheRecord());

}  // namespace

void takeChangedFields(SettingsRecord& target, const SettingsRecord& before, const SettingsRecord& after)
{
    auto* to = reinterpret_cast<unsigned char*>(&target);
    const auto* was = reinterpret_cast<const unsigned char*>(&before);
    const auto* now = reinterpret_cast<const unsigned char*>(&after);
    for (const RecordField& field : kRecordFields) {
        for (size_t entry = 0; entry < field.count; ++entry) {
            const size_t at = field.offset + entry * field.size;
            // Bytes, not values: a NaN numeral left alone is no change, and -0.0 against 0.0 is one.
            if (std::memcmp(now + at, was + at, field.size) != 0)
                std::memcpy(to + at, now + at, field.size);
        }
    }
}
