// Which note shift a note-off carries, so that it ends the note its note-on sounded.
#pragma once

#include <cstdint>

#include "common/wrapping_math.h"
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

// Marks a soundingNotes entry as holding a note (a note of 0 is a note too).
inline constexpr uint64_t kSounding = uint64_t{1} << 32;

// Playback thread, right after a note-on on `channel`: the note it sent (the 32-bit sum of the
// effective note and the shift, whose low 8 bits went out).
inline void rememberSoundingNote(PlayerState& player, int32_t channel, int32_t note)
{
    player.soundingNotes[channel].store(kSounding | static_cast<uint32_t>(note), std::memory_order_relaxed);
}

// The note a note-off on `channel` carries: the note its last note-on sent, when one sounds (the
// channel is then silent); otherwise the effective note with noteOffShift, so a table changed
// after the note-on (a dialog accepted while a stopped pass drains) cannot leave it sounding.
// While the tables stay as they were, both give the same note. Either thread: the exchange lets
// only one of the generator's note-off and a sweep take the note.
inline int32_t takeNoteOffNote(PlayerState& player, int32_t channel)
{
    const uint64_t sounding = player.soundingNotes[channel].exchange(0, std::memory_order_relaxed);
    if (sounding & kSounding)
        return static_cast<int32_t>(static_cast<uint32_t>(sounding));
    return wrappingAdd(get(player.effectiveNotes[channel]), noteOffShift(player, channel));
}
