// The generator's hook into the lattice feed: one entry per note-on, with its intended time.
#pragma once

#include "engine/generator.h"
#include "engine/lattice_feed.h"
#include "engine/pacer.h"
#include "engine/player_state.h"

// Playback thread. Copies a few words into the feed's ring; does nothing without a feed.
inline void announceNoteOn(const PlayerState& player, const LayerCounters& counters, Pacer& pacer, int32_t layer,
                           bool alpha)
{
    LatticeFeed* feed = player.latticeFeed.load(std::memory_order_acquire);
    if (!feed)
        return;
    LatticeNote note;
    note.time = pacer.eventTime();
    note.layer = layer;
    note.alpha = alpha;
    note.counters = counters;
    feed->publish(note);
}
