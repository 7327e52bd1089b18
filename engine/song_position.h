// Where the rhythm stands at a beat counted from its beginning (an external clock's Song Position
// Pointer): found by playing it on a virtual clock from counters at 0, as Export's run does, with
// an alpha event of the lowest layer one beat long.
#pragma once

#include "engine/layer_counters.h"
#include "settings/settings_record.h"

struct SongPositionStart {
    LayerCounters counters{};  // the counters the pass starts from
    double beat = 0.0;         // the beat that pass starts on (counted from the rhythm's beginning)
    bool exact = true;         // false: no pass starts within kSongPositionSearchBeats after `beat`
};

// How far past the asked beat a pass start is looked for, so a numeral whose passes practically
// never end does not run on.
inline constexpr double kSongPositionSearchBeats = 64.0;

// The first pass that starts at or after `beat` (>= 0). Without one within the search, the last
// pass that started before `beat`, marked inexact. Any thread; takes a copy of nothing shared.
SongPositionStart passStartAtOrAfter(const SettingsRecord& settings, double beat);
