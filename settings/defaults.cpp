#include "settings/defaults.h"

#include <cmath>
#include <cstring>

#include "settings/numeral_presets.h"
#include "settings/rhythm_units.h"

void fillBuiltInDefaults(SettingsRecord& record)
{
    record.headerWord = kHeaderWord;
    record.saveConceptAsDefault = 0;
    record.saveTonesAsDefault = 0;
    record.saveNotesAsDefault = 0;
    record.saveVelocitiesAsDefault = 0;
    record.midiDeviceId = -1;
    record.numeralPreset = 7;
    record.tempo = 96;
    record.layerIndex = 7;
    record.alphaDuration = 240;
    record.betaDuration = 240;
    record.numeral = (std::sqrt(5.0) + 1.0) * 0.5;
    record.noteOffset = 0;
    record.velocityOffset = 0;
    record.modulationEnabled = 0;
    record.modulationVelocityOffset = 0;
    record.modulationNoteOffset = -4;
    record.modulationLayer = 4;
    record.modulationTone = 1;
    for (int channel = 0; channel < 16; ++channel)
        record.tones[channel] = kDefaultTones[channel];
    for (int layer = 0; layer < kLayerCount; ++layer) {
        record.notes[2 * layer] = 70 - 5 * layer;
        record.notes[2 * layer + 1] = 90 - 5 * layer;
        record.velocities[2 * layer] = 88 - 3 * layer;
        record.velocities[2 * layer + 1] = 72 - 3 * layer;
    }
}

void mergeIntoDefaults(SettingsRecord& defaults, SettingsRecord& working)
{
    if (working.saveConceptAsDefault != 0) {
        defaults.numeralPreset = working.numeralPreset;
        defaults.numeral = working.numeral;
        defaults.tempo = working.tempo;
        defaults.layerIndex = working.layerIndex;
        working.saveConceptAsDefault = 0;
    }
    if (working.saveTonesAsDefault != 0) {
        std::memcpy(defaults.tones, working.tones, sizeof working.tones);
        working.saveTonesAsDefault = 0;
    }
    if (working.saveNotesAsDefault != 0) {
        std::memcpy(defaults.notes, working.notes, sizeof working.notes);
        working.saveNotesAsDefault = 0;
    }
    if (working.saveVelocitiesAsDefault != 0) {
        std::memcpy(defaults.velocities, working.velocities, sizeof working.velocities);
        working.saveVelocitiesAsDefault = 0;
    }
}
