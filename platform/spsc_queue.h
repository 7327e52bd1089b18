// A fixed-size lock-free queue for one producer thread and one consumer thread at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

// Neither side locks or allocates, so the consumer may be an audio render thread. Capacity must
// be a power of two; one slot stays free to tell full from empty.
template <typename T, size_t Capacity>
class SpscQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity is a power of two");

public:
    // Producer: false when the queue is full (nothing is stored).
    bool push(const T& item)
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t next = (head + 1) & (Capacity - 1);
        if (next == tail_.load(std::memory_order_acquire))
            return false;
        slots_[head] = item;
        head_.store(next, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest item, left in the queue; nullptr when empty.
    const T* front() const
    {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        return tail == head_.load(std::memory_order_acquire) ? nullptr : &slots_[tail];
    }

    // Consumer: removes the item front() returned.
    void pop() { tail_.store((tail_.load(std::memory_order_relaxed) + 1) & (Capacity - 1), std::memory_order_release); }

    // Consumer, or any thread while neither side runs: drops everything.
    void clear() { tail_.store(head_.load(std::memory_order_acquire), std::memory_order_release); }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0};  // next slot the producer writes
    alignas(64) std::atomic<size_t> tail_{0};  // next slot the consumer reads
};
