// The control input's messages on their way from the receiving threads (ALSA's and JACK's) to the
// UI thread: a lock-free single-producer ring per receiving thread, and an eventfd that wakes the
// UI thread. Neither side blocks or locks; a full ring drops the message and counts it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "app/control/control_message.h"
#include "platform/sound/spsc_ring.h"

class ControlInbox {
public:
    enum Source { Alsa, Jack, SourceCount };  // one producer thread each

    ControlInbox();
    ~ControlInbox();
    ControlInbox(const ControlInbox&) = delete;
    ControlInbox& operator=(const ControlInbox&) = delete;

    // Readable while messages wait (-1 when no eventfd could be made: then nothing wakes).
    int wakeFd() const { return fd_; }

    // The receiving thread of `source`: queues the message and wakes the UI thread.
    void post(Source source, const uint8_t* bytes, size_t size, Clock::Duration arrival);

    // UI thread: takes the wake-up, then hands every queued message to `handle`, each source's
    // in order.
    void drain(const std::function<void(const ControlMessage&)>& handle);

    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    // A few seconds of a busy controller; the UI thread empties it many times a second.
    std::array<SpscRing<ControlMessage, 512>, SourceCount> rings_;
    int fd_ = -1;
    std::atomic<uint64_t> dropped_{0};
};
