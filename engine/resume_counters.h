// Where the next pass starts: the layer counters as the playback thread left them after its last
// pass, and a rewind to the beginning that the UI thread asks for while not playing.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/layer_counters.h"

class ResumeCounters {
public:
    // Playback thread, between passes: carries out a rewind asked for (every counter back to 0),
    // then publishes the counters the next pass starts from. No lock, no allocation.
    void settle(LayerCounters& counters) noexcept;

    // UI thread: every counter back to 0 before the next pass. Takes effect when the playback
    // thread next settles (at once when it is parked; after a draining pass has ended otherwise).
    void requestRewind() noexcept;

    // Any thread: the counters the next pass starts from (all 0 once a rewind is asked for).
    LayerCounters current() const noexcept;

    // Any thread: how many rewinds have been asked for, so a view can tell it has to start over.
    uint32_t rewinds() const noexcept { return rewinds_.load(std::memory_order_acquire); }

private:
    std::array<std::atomic<uint32_t>, kLayerCount> published_{};
    std::atomic<uint32_t> sequence_{0};  // odd while the playback thread writes published_
    std::atomic<bool> rewindPending_{false};
    std::atomic<uint32_t> rewinds_{0};
};
