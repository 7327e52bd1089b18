// The 376-byte settings record, laid out byte for byte as it is stored in the parameter file.
#pragma once

#include <cstddef>
#include <cstdint>

// The application state, kept in WorkingSettings.playState.
enum PlayState : int32_t { Idle = 0, Ready = 1, Playing = 2 };

// Little-endian, no padding beyond the reserved blocks named here. The struct is written raw into
// the parameter file, so every offset below is a file format (checked at compile time).
struct SettingsRecord {
    uint32_t headerWord;               // fixed value written by fillBuiltInDefaults, read by nothing
    uint8_t reserved4[8];
    int32_t screenWidth;               // pixels, stored when the window was centred horizontally
    int32_t screenHeight;              // pixels, stored when the window was centred vertically
    uint8_t reserved20[16];
    int32_t windowRect[4];             // left, top, right, bottom in screen pixels
    uint8_t reserved52[16];
    int32_t windowWidth;               // 0 = no stored placement
    int32_t windowHeight;
    uint8_t reserved76[8];
    int32_t playState;                 // a PlayState; meaningful in WorkingSettings only
    int64_t saveConceptAsDefault;      // non-zero: merge the concept group at the next merge
    int64_t saveTonesAsDefault;
    int64_t saveNotesAsDefault;
    int64_t saveVelocitiesAsDefault;
    int32_t midiDeviceId;              // -1 = "MIDI_MAPPER" (the built-in synthesiser)
    uint8_t reserved124[4];
    double numeral;                    // the number that drives the rhythm, 1.0 to 4.0
    int32_t numeralPreset;             // position in the numeral preset list, 0 = typed value
    int32_t tempo;                     // scales durations by tempo / 96
    int32_t layerIndex;                // top layer index = layer count - 1 (0 to 7)
    int32_t alphaDuration;             // ms at tempo 96
    int32_t betaDuration;              // ms at tempo 96
    int32_t noteOffset;
    int32_t velocityOffset;
    int32_t modulationEnabled;         // 0 off, 1 on
    int32_t modulationNoteOffset;
    int32_t modulationVelocityOffset;
    int32_t modulationLayer;           // 0-based layer index of the modulated layer
    int32_t modulationTone;            // 0 alpha, 1 beta
    int32_t tones[16];                 // program per channel (channel 2L alpha, 2L+1 beta of layer L)
    int32_t notes[16];
    int32_t velocities[16];
};

static_assert(sizeof(SettingsRecord) == 376);
static_assert(offsetof(SettingsRecord, headerWord) == 0);
static_assert(offsetof(SettingsRecord, reserved4) == 4);
static_assert(offsetof(SettingsRecord, screenWidth) == 12);
static_assert(offsetof(SettingsRecord, screenHeight) == 16);
static_assert(offsetof(SettingsRecord, reserved20) == 20);
static_assert(offsetof(SettingsRecord, windowRect) == 36);
static_assert(offsetof(SettingsRecord, reserved52) == 52);
static_assert(offsetof(SettingsRecord, windowWidth) == 68);
static_assert(offsetof(SettingsRecord, windowHeight) == 72);
static_assert(offsetof(SettingsRecord, reserved76) == 76);
static_assert(offsetof(SettingsRecord, playState) == 84);
static_assert(offsetof(SettingsRecord, saveConceptAsDefault) == 88);
static_assert(offsetof(SettingsRecord, saveTonesAsDefault) == 96);
static_assert(offsetof(SettingsRecord, saveNotesAsDefault) == 104);
static_assert(offsetof(SettingsRecord, saveVelocitiesAsDefault) == 112);
static_assert(offsetof(SettingsRecord, midiDeviceId) == 120);
static_assert(offsetof(SettingsRecord, reserved124) == 124);
static_assert(offsetof(SettingsRecord, numeral) == 128);
static_assert(offsetof(SettingsRecord, numeralPreset) == 136);
static_assert(offsetof(SettingsRecord, tempo) == 140);
static_assert(offsetof(SettingsRecord, layerIndex) == 144);
static_assert(offsetof(SettingsRecord, alphaDuration) == 148);
static_assert(offsetof(SettingsRecord, betaDuration) == 152);
static_assert(offsetof(SettingsRecord, noteOffset) == 156);
static_assert(offsetof(SettingsRecord, velocityOffset) == 160);
static_assert(offsetof(SettingsRecord, modulationEnabled) == 164);
static_assert(offsetof(SettingsRecord, modulationNoteOffset) == 168);
static_assert(offsetof(SettingsRecord, modulationVelocityOffset) == 172);
static_assert(offsetof(SettingsRecord, modulationLayer) == 176);
static_assert(offsetof(SettingsRecord, modulationTone) == 180);
static_assert(offsetof(SettingsRecord, tones) == 184);
static_assert(offsetof(SettingsRecord, notes) == 248);
static_assert(offsetof(SettingsRecord, velocities) == 312);

// Takes into `target` each field in which `after` differs from `before`, whole: a value changed
// on both sides comes out as `after` holds it, never as a mix of the two. The tables go entry by
// entry, the reserved blocks block by block.
void takeChangedFields(SettingsRecord& target, const SettingsRecord& before, const SettingsRecord& after);

// The two instances of the run: the current values, and those the next run starts from.
extern SettingsRecord WorkingSettings;
extern SettingsRecord DefaultSettings;

