// The system real-time messages and the Song Position Pointer that reach the control input: the
// clock's (F8 FA FB FC, F2) go to the clock follower on the receiving thread, none of them is
// queued for the UI thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/clock_message_sink.h"

// Receiving thread; never blocks. True when `message` is a system real-time message (F8..FF) or a
// Song Position Pointer (F2): the clock's go to `sink` (when there is one) with `arrival`; the
// others (active sensing, reset) go nowhere. False for every other message.
bool takeRealTimeMessage(ClockMessageSink* sink, const uint8_t* message, size_t size, Clock::Duration arrival);
