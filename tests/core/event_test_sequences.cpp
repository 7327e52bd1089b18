// The alpha/beta sequence of one layer, event by event, for every preset and the integer numerals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/generator.h"
#include "settings/numeral_presets.h"

namespace {

std::string lettersFor(double numeral, int count)
{
    LayerCounters counters{};
    std::string letters;
    for (int n = 0; n < count; ++n)
        letters += nextEventIsAlpha(numeral, counters, 3) ? 'A' : 'B';
    return letters;
}

struct SequenceCase {
    double numeral;
    const char* letters;
};

TEST(EventTest, ThirtyEventsOfEveryTabulatedNumeral)
{
    const SequenceCase cases[] = {
        {1.0, "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB"},
        {1.5, "BAABAABAABAABAABAABAABAABAABAA"},
        {2.0, "BABABABABABABABABABABABABABABA"},
        {3.0, "BBABBABBABBABBABBABBABBABBABBA"},
        {numeralPresetValue(3), "BAABAABAAABAABAAABAABAABAAABAA"},
        {numeralPresetValue(4), "BABABAABABABAABABABAABABAABABA"},
        {numeralPresetValue(5), "BBABABABABBABABABABBABABABABBA"},
        {numeralPresetValue(6), "BABAABABAABAABABAABABAABAABABA"},
        {numeralPresetValue(7), "BBABABBABABBABABABBABABBABABAB"},
        {numeralPresetValue(8), "BBBABBABBABBBABBABBABBBABBABBA"},
        {numeralPresetValue(9), "BBABBABBABABBABBABBABABBABBABA"},
        {numeralPresetValue(10), "BBBABBABBABBABBABBABBABBBABBAB"},
        {4.0, "BBBABBBABBBABBBABBBABBBABBBABB"},
    };
    for (const SequenceCase& c : cases)
        EXPECT_EQ(lettersFor(c.numeral, 30), c.letters) << "numeral " << c.numeral;
}

TEST(EventTest, AdvancesOnlyItsOwnLayerAndWrapsAt32Bits)
{
    LayerCounters counters{};
    counters[2] = 0xFFFFFFFFu;
    nextEventIsAlpha(2.0, counters, 2);
    EXPECT_EQ(counters[2], 0u);
    for (int layer = 0; layer < kLayerCount; ++layer) {
        if (layer != 2) {
            EXPECT_EQ(counters[layer], 0u);
        }
    }
}

TEST(EventTest, HugeCountersAndDegenerateNumeralsAreDefinedAndBeta)
{
    // Quotients beyond 2^31 and divisions by zero must not be undefined behaviour.
    LayerCounters counters{};
    counters[0] = 0xFFFFFFF0u;
    for (int i = 0; i < 32; ++i)
        nextEventIsAlpha(1.0, counters, 0);
    counters[1] = 5;
    EXPECT_FALSE(nextEventIsAlpha(0.0, counters, 1));
    EXPECT_FALSE(nextEventIsAlpha(std::numeric_limits<double>::quiet_NaN(), counters, 1));
}

TEST(EventTest, TopLayerOutsideTheTablesPlaysTheNearestLayer)
{
    EXPECT_EQ(topLayerForPass(-3), 0);
    EXPECT_EQ(topLayerForPass(0), 0);
    EXPECT_EQ(topLayerForPass(7), 7);
    EXPECT_EQ(topLayerForPass(8), 7);
    EXPECT_EQ(topLayerForPass(1 << 30), 7);
}

}  // namespace
