// The per-layer event counters the generator advances, one per layer.
#pragma once

#include <array>
#include <cstdint>

#include "settings/rhythm_units.h"

// Events played so far per layer (mod 2^32). Owned by the playback thread.
using LayerCounters = std::array<uint32_t, kLayerCount>;
