// Whole passes of the layered rhythm with exact virtual times: order of messages, waits, shifts,
// stopping inside a pass and counters that survive everything.
#include <gtest/gtest.h>

#include <cmath>

#include "generator_test_support.h"
#include "settings/numeral_presets.h"
#include "settings/rhythm_units.h"

namespace {

using Lines = std::vector<std::string>;
const double kGolden = numeralPresetValue(6);

TEST(GeneratorPasses, GoldenRatioTwoLayersFirstTwoPassesAndCounters)
{
    VirtualPlayer v(kGolden);
    EXPECT_EQ(v.pass(), (Lines{"0 93 55 45", "0 91 5a 48", "240 80 46 40", "240 81 5a 40", "240 82 41 40",
                               "240 83 55 40"}));
    EXPECT_EQ(v.pass(), (Lines{"240 92 41 55", "240 90 46 58", "480 91 5a 48", "720 80 46 40", "720 81 5a 40",
                               "720 93 55 45", "720 90 46 58", "960 90 46 58", "1200 91 5a 48", "1440 80 46 40",
                               "1440 81 5a 40", "1440 82 41 40", "1440 83 55 40"}));
    v.pass();
    EXPECT_EQ(v.counters[0], 14u);
    EXPECT_EQ(v.counters[1], 6u);
}

TEST(GeneratorPasses, NumeralTwoAndOneAndAHalf)
{
    VirtualPlayer two(2.0);
    two.pass();
    EXPECT_EQ(two.pass(), (Lines{"240 92 41 55", "240 90 46 58", "480 91 5a 48", "720 80 46 40", "720 81 5a 40",
                                 "720 93 55 45", "720 90 46 58", "960 91 5a 48", "1200 80 46 40", "1200 81 5a 40",
                                 "1200 82 41 40", "1200 83 55 40"}));

    // Every pass after the first holds three layer-0 cycles of 720 ms (alpha, alpha, beta above).
    VirtualPlayer threeHalves(1.5);
    threeHalves.pass();
    for (int pass = 0; pass < 3; ++pass) {
        const Lines lines = threeHalves.pass();
        int layerOneOns = 0;
        for (const std::string& line : lines)
            layerOneOns += line.find(" 92 ") != std::string::npos || line.find(" 93 ") != std::string::npos;
        EXPECT_EQ(layerOneOns, 3);
        EXPECT_EQ(threeHalves.clock.now(), std::chrono::milliseconds(240 + 2160 * (pass + 1)));
    }
}

TEST(GeneratorPasses, FirstPassIsOneBetaPerLayerThenOneWaitWhateverTheNumeral)
{
    for (double numeral : {1.0, 1.5, kGolden, 2.0, 3.0, 4.0}) {
        VirtualPlayer v(numeral, 8);
        const Lines lines = v.pass();
        ASSERT_EQ(lines.size(), 8u + 16u) << numeral;
        for (int layer = 7; layer >= 0; --layer) {
            char expected[24];
            std::snprintf(expected, sizeof expected, "0 %02x", 0x90 + 2 * layer + 1);
            EXPECT_EQ(lines[7 - layer].substr(0, 4), expected) << numeral;
        }
        for (int c = 0; c < 16; ++c) {
            char expected[24];
            std::snprintf(expected, sizeof expected, "240 %02x", 0x80 + c);
            EXPECT_EQ(lines[8 + c].substr(0, 6), expected) << numeral;
        }
    }
}

// A note-off ends the note that was sounded: it carries the shift its note-on had.
TEST(GeneratorPasses, ModulatedBetaShiftsTheLowerLayerAndTheirNoteOffsAlike)
{
    VirtualPlayer v(kGolden);
    v.settings.modulationEnabled = 1;
    v.settings.modulationNoteOffset = -4;
    v.settings.modulationVelocityOffset = 0;
    v.settings.modulationLayer = 1;
    v.settings.modulationTone = 1;
    v.apply();
    EXPECT_EQ(v.pass(), (Lines{"0 93 51 45", "0 91 56 48", "240 80 42 40", "240 81 56 40", "240 82 41 40",
                               "240 83 51 40"}));
    EXPECT_EQ(v.pass(), (Lines{"240 92 41 55", "240 90 46 58", "480 91 5a 48", "720 80 46 40", "720 81 5a 40",
                               "720 93 51 45", "720 90 42 58", "960 90 42 58", "1200 91 56 48", "1440 80 42 40",
                               "1440 81 56 40", "1440 82 41 40", "1440 83 51 40"}));
    EXPECT_EQ(get(v.player.noteShift), 0);
}

TEST(GeneratorPasses, ModulatedAlphaWithVelocityShift)
{
    VirtualPlayer v(kGolden);
    v.settings.modulationEnabled = 1;
    v.settings.modulationNoteOffset = -4;
    v.settings.modulationVelocityOffset = -10;
    v.settings.modulationLayer = 1;
    v.settings.modulationTone = 0;
    v.apply();
    EXPECT_EQ(v.pass()[0], "0 93 55 45");
    const Lines second = v.pass();
    EXPECT_EQ(Lines(second.begin(), second.begin() + 3), (Lines{"240 92 3d 4b", "240 90 42 4e", "480 91 56 3e"}));
    EXPECT_EQ(second[5], "720 93 55 45");
    EXPECT_EQ(second[6], "720 90 46 58");
}

TEST(GeneratorPasses, ModulationOfALayerAboveTheTopModulatesNothing)
{
    VirtualPlayer plain(kGolden), modulated(kGolden);
    modulated.settings.modulationEnabled = 1;
    modulated.settings.modulationLayer = 4;
    modulated.apply();
    for (int pass = 0; pass < 4; ++pass)
        EXPECT_EQ(plain.pass(), modulated.pass());
}

TEST(GeneratorPasses, StopInsideAPassDrainsTheHigherLayersAtOnce)
{
    VirtualPlayer v(kGolden, 3);
    v.clock.setAlarm(std::chrono::milliseconds(1000), [&] { put(v.player.playing, 0); });
    v.pass();  // pass 1 ends at 240
    const Lines lines = v.pass();
    // Layer 0 finishes its cycle with its waits, then layers 1 and 2 close without waiting.
    const Lines tail(lines.end() - 8, lines.end());
    EXPECT_EQ(tail, (Lines{"1200 91 5a 48", "1440 80 46 40", "1440 81 5a 40", "1440 82 41 40", "1440 83 55 40",
                           "1440 95 50 42", "1440 84 3c 40", "1440 85 50 40"}));
    EXPECT_EQ(v.counters[0], 6u);
    EXPECT_EQ(v.counters[1], 3u);
    EXPECT_EQ(v.counters[2], 3u);
}

TEST(GeneratorPasses, SumsAreSentAsTheirLowEightBits)
{
    VirtualPlayer v(1.0, 1);
    v.settings.notes[1] = 2;
    v.settings.velocities[1] = 200;
    v.settings.modulationEnabled = 1;
    v.settings.modulationLayer = 0;
    v.settings.modulationTone = 1;
    v.settings.modulationNoteOffset = -4;
    v.settings.modulationVelocityOffset = 100;
    v.apply();
    EXPECT_EQ(v.pass()[0], "0 91 fe 2c");  // 2 - 4 = 254, 200 + 100 = 300 -> 44
}

TEST(GeneratorPasses, LayerCountChangesAndStoppedPassesKeepEveryCounter)
{
    VirtualPlayer v(kGolden, 3);
    v.pass();
    v.pass();
    const LayerCounters afterTwo = v.counters;
    v.settings.layerIndex = 0;
    v.pass();
    EXPECT_EQ(v.counters[1], afterTwo[1]);
    EXPECT_EQ(v.counters[2], afterTwo[2]);
    v.settings.layerIndex = 2;
    const Lines resumed = v.pass();
    // Layer 2 continues its own sequence: its event 2 (B A B ...) is alpha, not a fresh beta.
    EXPECT_EQ(resumed[0].substr(resumed[0].find(' ') + 1, 2), "94");
}

TEST(GeneratorPasses, WaitsAreTempoScaledAndWrapInsteadOfOverflowing)
{
    EXPECT_EQ(scaledDurationMs(96, 240), 240);
    EXPECT_EQ(scaledDurationMs(48, 240), 120);
    EXPECT_EQ(scaledDurationMs(192, 240), 480);
    EXPECT_EQ(scaledDurationMs(97, 240), 242);
    // 65536 * 65536 wraps to 0 in 32 bits instead of being undefined.
    EXPECT_EQ(scaledDurationMs(65536, 65536), 0);
    EXPECT_EQ(scaledDurationMs(-96, 240), -240);

    VirtualPlayer v(1.0, 1);
    v.settings.alphaDuration = v.settings.betaDuration = -500;  // damaged file: no wait, no hang
    v.apply();
    v.pass();
    EXPECT_EQ(v.clock.now(), std::chrono::milliseconds(0));
}

}  // namespace
