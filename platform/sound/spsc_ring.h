// A fixed-size lock-free queue for one producer thread and one consumer thread at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

// Neither side ever blocks, locks or allocates, so the consumer may be an audio callback.
// The producer calls push(); the consumer calls front() and pop(). Capacity is a power of two.
template <typename T, size_t Capacity>
class SpscRing {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    // Producer. False when the ring is full; the item is then not stored.
    bool push(const T& item)
    {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity)
            return false;
        slots_[tail & (Capacity - 1)] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer. The oldest item, left in place; null when the ring is empty.
    const T* front() const
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return nullptr;
        return &slots_[head & (Capacity - 1)];
    }

    // Either side. True when nothing is queued (as seen at the moment of the call).
    bool empty() const { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire); }

    // Consumer. Drops the item front() returned.
    void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Consumer, or any thread while neither side runs: drops everything queued.
    void clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0};  // next item to read; written by the consumer
    alignas(64) std::atomic<size_t> tail_{0};  // next slot to write; written by the producer
};
