// The six bounded values shared by the concept and the durations and offsets dialogs.
#pragma once

#include <cstdint>

#include "dialogs/controls.h"

// Index: 0 alpha duration, 1 beta duration (ms at tempo 96), 2 note offset, 3 velocity offset,
// 4 modulation note offset, 5 modulation velocity offset. The edit of index i is 1011 + i.
struct RangedValues {
    int32_t maximum[6];
    int32_t minimum[6];
    int32_t value[6];
};

inline constexpr int kRangedCount = 6;

// Fills minimum and maximum: durations 192 to 480; the note offsets 20 - smallest note to
// 128 - largest note, the velocity offsets likewise from the velocities (16 entries each).
void computeOffsetBounds(RangedValues& ranged, const int32_t notes[16], const int32_t velocities[16]);

// 0 when every value lies within its bounds; otherwise shows the message of the first value out
// of bounds (minimum first) and returns 1.
int checkRanges(Controls& controls, const RangedValues& ranged);
