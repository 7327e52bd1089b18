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
    // UI thread: the next pass starts from `counters` (a rewind to a position other than the
    // beginning, as an external clock's Song Position Pointer asks for). Same timing as a rewind.
    void requestStartFrom(const LayerCounters& counters) noexcept;
    // Any thread: a rewind or start asked for is not carried out yet.
    bool startPending() const noexcept { return rewindPending_.load(std::memory_order_acquire); }

    // Any thread: the counters the next pass starts from (the requested ones once a rewind or a
    // start is asked for).
    LayerCounters current() const noexcept;

    // Any thread: how many rewinds have been asked for, so a view can tell it has to start over.
    uint32_t rewinds() const noexcept { return rewinds_.load(std::memory_order_acquire); }

private:
    std::array<std::atomic<uint32_t>, kLayerCount> published_{};
    std::atomic<uint32_t> sequence_{0};  // odd while the playback thread writes published_
    std::array<std::atomic<uint32_t>, kLayerCount> requested_{};  // where the pending start begins
    std::atomic<bool> rewindPending_{false};
    std::atomic<uint32_t> rewinds_{0};
};
