// A note-on as the playback thread announces it to the lattice view, for scripted event streams.
#pragma once

#include <chrono>
#include <cstdint>

#include "engine/generator.h"
#include "engine/lattice_feed.h"

inline LatticeNote latticeNote(int64_t ms, int32_t layer, bool alpha, LayerCounters counters)
{
    LatticeNote n;
    n.time = std::chrono::milliseconds(ms);
    n.layer = layer;
    n.alpha = alpha;
    n.counters = counters;
    return n;
}
