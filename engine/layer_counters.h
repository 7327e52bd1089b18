// The per-layer event counters the generator advances, one per layer.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int32_t kLayerCount = 8;

// Events played so far per layer (mod 2^32). Owned by the playback thread.
using LayerCounters = std::array<uint32_t, kLayerCount>;
