// Built-in defaults, the "save as default" merge and the numeral presets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "settings/defaults.h"
#include "settings/numeral_presets.h"

namespace {

SettingsRecord filledWith(uint8_t byte)
{
    SettingsRecord record;
    std::memset(&record, byte, sizeof record);
    return record;
}

TEST(BuiltInDefaults, LeaveWindowFieldsReservedBytesAndPlayStateAlone)
{
    SettingsRecord record = filledWith(0x5A);
    const SettingsRecord before = record;
    fillBuiltInDefaults(record);

    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    const auto* old = reinterpret_cast<const uint8_t*>(&before);
    // Offsets 4..87 hold reserved bytes, the window fields and playState; 124..127 is reserved.
    EXPECT_EQ(std::memcmp(bytes + 4, old + 4, 84), 0);
    EXPECT_EQ(std::memcmp(bytes + 124, old + 124, 4), 0);

    EXPECT_EQ(record.headerWord, kHeaderWord);
    EXPECT_EQ(record.saveConceptAsDefault, 0);
    EXPECT_EQ(record.saveVelocitiesAsDefault, 0);
    EXPECT_EQ(record.midiDeviceId, -1);
    EXPECT_EQ(record.numeralPreset, 7);
    EXPECT_EQ(record.tempo, 96);
    EXPECT_EQ(record.layerIndex, 7);
    EXPECT_EQ(record.alphaDuration, 240);
    EXPECT_EQ(record.betaDuration, 240);
    EXPECT_EQ(record.numeral, (std::sqrt(5.0) + 1.0) * 0.5);
    EXPECT_NEAR(record.numeral, 1.618034, 5e-7);
    EXPECT_EQ(record.noteOffset, 0);
    EXPECT_EQ(record.velocityOffset, 0);
    EXPECT_EQ(record.modulationEnabled, 0);
    EXPECT_EQ(record.modulationNoteOffset, -4);
    EXPECT_EQ(record.modulationVelocityOffset, 0);
    EXPECT_EQ(record.modulationLayer, 4);
    EXPECT_EQ(record.modulationTone, 1);
    const int32_t tones[16] = {0, 0, 11, 11, 12, 12, 8, 8, 6, 6, 27, 27, 36, 36, 37, 37};
    const int32_t notes[16] = {70, 90, 65, 85, 60, 80, 55, 75, 50, 70, 45, 65, 40, 60, 35, 55};
    const int32_t velocities[16] = {88, 72, 85, 69, 82, 66, 79, 63, 76, 60, 73, 57, 70, 54, 67, 51};
    EXPECT_EQ(std::memcmp(record.tones, tones, sizeof tones), 0);
    EXPECT_EQ(std::memcmp(record.notes, notes, sizeof notes), 0);
    EXPECT_EQ(std::memcmp(record.velocities, velocities, sizeof velocities), 0);
}

class Merge : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillBuiltInDefaults(defaults);
        working = defaults;
        working.numeralPreset = 11;
        working.numeral = 3.141592653589793;
        working.tempo = 120;
        working.layerIndex = 3;
        working.midiDeviceId = 2;
        working.alphaDuration = 300;
        working.noteOffset = 5;
        for (int c = 0; c < 16; ++c) {
            working.tones[c] = 40 + c;
            working.notes[c] = 30 + c;
            working.velocities[c] = 100 - c;
        }
    }
    SettingsRecord defaults{}, working{};
};

TEST_F(Merge, NothingFlaggedChangesNothing)
{
    const SettingsRecord before = defaults;
    mergeIntoDefaults(defaults, working);
    EXPECT_EQ(std::memcmp(&before, &defaults, sizeof defaults), 0);
}

TEST_F(Merge, TonesOnlyCopiesTheTonesAndClearsTheirFlag)
{
    working.saveTonesAsDefault = 1;
    const SettingsRecord before = defaults;
    mergeIntoDefaults(defaults, working);
    EXPECT_EQ(std::memcmp(defaults.tones, working.tones, sizeof defaults.tones), 0);
    EXPECT_EQ(std::memcmp(defaults.notes, before.notes, sizeof defaults.notes), 0);
    EXPECT_EQ(std::memcmp(defaults.velocities, before.velocities, sizeof defaults.velocities), 0);
    EXPECT_EQ(defaults.tempo, before.tempo);
    EXPECT_EQ(working.saveTonesAsDefault, 0);
}

TEST_F(Merge, ConceptGroupIsPresetNumeralTempoAndLayersOnly)
{
    working.saveConceptAsDefault = int64_t{1} << 40;  // tested as a whole 64-bit value
    mergeIntoDefaults(defaults, working);
    EXPECT_EQ(defaults.numeralPreset, 11);
    EXPECT_EQ(defaults.numeral, 3.141592653589793);
    EXPECT_EQ(defaults.tempo, 120);
    EXPECT_EQ(defaults.layerIndex, 3);
    EXPECT_EQ(defaults.midiDeviceId, -1);
    EXPECT_EQ(defaults.alphaDuration, 240);
    EXPECT_EQ(defaults.noteOffset, 0);
    EXPECT_EQ(defaults.tones[2], 11);
    EXPECT_EQ(working.saveConceptAsDefault, 0);
}

TEST_F(Merge, EveryFlagIsAppliedAndClearedAndDefaultsFlagsAreUntouched)
{
    working.saveConceptAsDefault = working.saveTonesAsDefault = 1;
    working.saveNotesAsDefault = working.saveVelocitiesAsDefault = 1;
    defaults.saveNotesAsDefault = 7;
    mergeIntoDefaults(defaults, working);
    EXPECT_EQ(defaults.tempo, 120);
    EXPECT_EQ(defaults.tones[15], 55);
    EXPECT_EQ(defaults.notes[15], 45);
    EXPECT_EQ(defaults.velocities[15], 85);
    EXPECT_EQ(working.saveConceptAsDefault | working.saveTonesAsDefault | working.saveNotesAsDefault |
                  working.saveVelocitiesAsDefault,
              0);
    EXPECT_EQ(defaults.saveNotesAsDefault, 7);
}

TEST(NumeralPresets, LabelsValuesAndPositions)
{
    EXPECT_STREQ(NumeralPreset[0], "-- input --");
    EXPECT_STREQ(NumeralPreset[7], "(1+Sqrt(5))/2");
    EXPECT_STREQ(NumeralPreset[11], "PI");
    EXPECT_EQ(numeralPresetValue(0), 1.5);
    EXPECT_EQ(numeralPresetValue(6), (std::sqrt(5.0) + 1.0) * 0.5);
    EXPECT_EQ(numeralPresetValue(6), 1.618033988749895);
    EXPECT_EQ(numeralPresetValue(8), (std::sqrt(13.0) + 3.0) * 0.5);
    EXPECT_EQ(numeralPresetValue(9), 2.718281828459045);
    EXPECT_EQ(numeralPresetValue(10), 3.141592653589793);

    EXPECT_FALSE(isPresetPosition(0));
    EXPECT_TRUE(isPresetPosition(1));
    EXPECT_TRUE(isPresetPosition(11));
    EXPECT_FALSE(isPresetPosition(12));
    EXPECT_FALSE(isPresetPosition(-1));
    EXPECT_EQ(numeralPresetPosition("e"), 10);
    EXPECT_FALSE(numeralPresetPosition("pi").has_value());
}

}  // namespace
