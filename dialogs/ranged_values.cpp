#include "dialogs/ranged_values.h"

#include <cstdio>

#include "common/wrapping_math.h"
#include "settings/rhythm_units.h"

namespace {
const char* const kMessages[kRangedCount] = {
    "plz enter durations among %d ~ %d",
    "plz enter durations among %d ~ %d",
    "plz enter offset among %d ~ %d",
    "plz enter offset among %d ~ %d",
    "plz enter modulation offset among %d ~ %d",
    "plz enter modulation velocity offset among %d ~ %d",  // the edit labelled "velocity offset"
};

// The largest entry starts from 0 and the smallest from 128, so a table wholly above 128 or
// below 0 still bounds its offsets against those starting values.
void scan(const int32_t table[16], int32_t& smallest, int32_t& largest)
{
    smallest = 128;
    largest = 0;
    for (int n = 0; n < 16; ++n) {
        if (table[n] > largest)
            largest = table[n];
        if (table[n] < smallest)
            smallest = table[n];
    }
}
}  // namespace

void computeOffsetBounds(RangedValues& ranged, const int32_t notes[16], const int32_t velocities[16])
{
    int32_t smallestNote, largestNote, smallestVelocity, largestVelocity;
    scan(notes, smallestNote, largestNote);
    scan(velocities, smallestVelocity, largestVelocity);

    ranged.minimum[0] = ranged.minimum[1] = kMinimumDuration;
    ranged.maximum[0] = ranged.maximum[1] = kMaximumDuration;
    // Tables from a foreign setting file may hold any 32-bit value: wrap rather than overflow.
    ranged.minimum[2] = ranged.minimum[4] = wrappingAdd(20, wrappingMultiply(-1, smallestNote));
    ranged.maximum[2] = ranged.maximum[4] = wrappingAdd(128, wrappingMultiply(-1, largestNote));
    ranged.minimum[3] = ranged.minimum[5] = wrappingAdd(20, wrappingMultiply(-1, smallestVelocity));
    ranged.maximum[3] = ranged.maximum[5] = wrappingAdd(128, wrappingMultiply(-1, largestVelocity));
}

int checkRanges(Controls& controls, const RangedValues& ranged)
{
    for (int i = 0; i < kRangedCount; ++i) {
        if (ranged.value[i] < ranged.minimum[i] || ranged.value[i] > ranged.maximum[i]) {
            char message[260];
            std::snprintf(message, sizeof message, kMessages[i], ranged.minimum[i], ranged.maximum[i]);
            controls.showError(message);
            return 1;
        }
    }
    return 0;
}
