#include "engine/lattice_feed.h"

void LatticeFeed::publish(const LatticeNote& note) noexcept
{
    const uint64_t w = writePosition_++;
    Slot& slot = slots_[w % kCapacity];
    slot.sequence.store(2 * w + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);  // the odd mark is seen before new fields
    slot.timeNs.store(note.time.count(), std::memory_order_relaxed);
    slot.layerAndVoice.store(static_cast<uint32_t>(note.layer & 0xFF) | (note.alpha ? 0x100u : 0u),
                             std::memory_order_relaxed);
    for (int32_t layer = 0; layer < kLayerCount; ++layer)
        slot.counters[layer].store(note.counters[layer], std::memory_order_relaxed);
    slot.sequence.store(2 * w + 2, std::memory_order_release);
    written_.store(w + 1, std::memory_order_release);
}

bool LatticeFeed::readSlot(uint64_t position, LatticeNote& note) const noexcept
{
    const Slot& slot = slots_[position % kCapacity];
    const uint64_t before = slot.sequence.load(std::memory_order_acquire);
    if (before != 2 * position + 2)
        return false;  // overwritten by a later write, or being written
    note.time = Clock::Duration(slot.timeNs.load(std::memory_order_relaxed));
    const uint32_t layerAndVoice = slot.layerAndVoice.load(std::memory_order_relaxed);
    note.layer = static_cast<int32_t>(layerAndVoice & 0xFF);
    note.alpha = (layerAndVoice & 0x100u) != 0;
    for (int32_t layer = 0; layer < kLayerCount; ++layer)
        note.counters[layer] = slot.counters[layer].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);  // the fields are read before the re-check
    return slot.sequence.load(std::memory_order_relaxed) == before;
}

bool LatticeFeed::next(LatticeNote& note) noexcept
{
    for (;;) {
        const uint64_t written = written_.load(std::memory_order_acquire);
        if (readPosition_ >= written)
            return false;
        if (written - readPosition_ > kCapacity) {
            skipped_ += written - kCapacity - readPosition_;
            readPosition_ = written - kCapacity;
        }
        const uint64_t position = readPosition_++;
        if (readSlot(position, note))
            return true;
        ++skipped_;  // overwritten while we looked: the next one is newer
    }
}
