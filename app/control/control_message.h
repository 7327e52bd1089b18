// One message from the control input, as a receiving thread (ALSA's or JACK's) queues it for the
// UI thread: plain bytes, copied whole into a ring slot.
#pragma once

#include <array>
#include <cstdint>

#include "engine/clock.h"

struct ControlMessage {
    static constexpr uint32_t kMaxBytes = 16;  // a longer SysEx keeps only its first bytes
    std::array<uint8_t, kMaxBytes> bytes{};
    uint32_t size = 0;          // the whole message's length; more than kMaxBytes for a long SysEx
    Clock::Duration arrival{};  // when the receiving thread took it, on the steady clock

    uint32_t heldSize() const { return size < kMaxBytes ? size : kMaxBytes; }
};
