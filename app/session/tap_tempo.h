// Tap tempo: the tempo from the spacing of taps (the Tap key, a learned control, OSC). With Link
// on the taps set the session's tempo; with Link off they set the tempo in force until the next
// Play, the written settings untouched; while following an external clock the clock keeps it.
// UI thread only.
#pragma once

#include <array>
#include <cstddef>

#include "engine/clock.h"

struct AppContext;

// The last taps, oldest first. A pause longer than kTapResetAfter starts a new series.
struct TapTimes {
    std::array<Clock::Duration, 4> times{};
    size_t count = 0;
    bool overriding = false;  // with Link off: a tapped tempo is in force until the next Play
};
inline constexpr Clock::Duration kTapResetAfter = std::chrono::seconds(2);

// One tap at the clock's now. From the second tap of a series on, the tempo is the mean spacing
// of its last taps (up to four), within 20-999 BPM.
void tapTempo(AppContext& app);

// Play: a tapped tempo gives way to the settings' own again.
void tapTempoPlayStarting(AppContext& app);

// The BPM of the series in `taps`, 0 while fewer than two taps. Pure: for the tests.
double tappedBpm(const TapTimes& taps);
