#include "engine/resume_counters.h"

void ResumeCounters::settle(LayerCounters& counters) noexcept
{
    const bool rewind = rewindPending_.load(std::memory_order_acquire);
    if (rewind)
        for (int32_t layer = 0; layer < kLayerCount; ++layer)
            counters[layer] = requested_[layer].load(std::memory_order_relaxed);
    const uint32_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);  // odd: being written
    std::atomic_thread_fence(std::memory_order_release);
    for (int32_t layer = 0; layer < kLayerCount; ++layer)
        published_[layer].store(counters[layer], std::memory_order_relaxed);
    sequence_.store(sequence + 2, std::memory_order_release);
    // Cleared only after the zeros are published, so a reader never sees the old counters once a
    // rewind was asked for. A second rewind asked for in between finds the counters at 0 already.
    if (rewind)
        rewindPending_.store(false, std::memory_order_release);
}

void ResumeCounters::requestRewind() noexcept
{
    requestStartFrom(LayerCounters{});
}

void ResumeCounters::requestStartFrom(const LayerCounters& counters) noexcept
{
    for (int32_t layer = 0; layer < kLayerCount; ++layer)
        requested_[layer].store(counters[layer], std::memory_order_relaxed);
    rewindPending_.store(true, std::memory_order_release);
    rewinds_.fetch_add(1, std::memory_order_acq_rel);
}

LayerCounters ResumeCounters::current() const noexcept
{
    LayerCounters counters{};
    for (;;) {
        if (rewindPending_.load(std::memory_order_acquire)) {
            for (int32_t layer = 0; layer < kLayerCount; ++layer)
                counters[layer] = requested_[layer].load(std::memory_order_relaxed);
            return counters;
        }
        const uint32_t before = sequence_.load(std::memory_order_acquire);
        if (before % 2 != 0)
            continue;  // the playback thread is writing them; it takes a few stores
        for (int32_t layer = 0; layer < kLayerCount; ++layer)
            counters[layer] = published_[layer].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before)
            return counters;  // one whole set, never half of two
    }
}
