// Which note shift a note-off carries, so that it ends the note its note-on sounded.
#pragma once

#include <cstdint>

#include "engine/player_state.h"

// For a note-off on `channel` (0..15): the modulated voice's own note shift; for the layers below
// the modulated one, the shift in force now (they are inside a modulated event while it is set);
// 0 for every other voice, whose note-ons are never shifted. Either thread.
inline int32_t noteOffShift(const PlayerState& player, int32_t channel)
{
    if (get(player.modEnabled) == 0)
        return 0;
    const int32_t layer = channel / 2;
    const int32_t modulatedLayer = get(player.modLayer);
    if (layer == modulatedLayer)
        return channel % 2 == get(player.modTone) ? get(player.modNoteOffset) : 0;
    return layer < modulatedLayer ? get(player.noteShift) : 0;
}
