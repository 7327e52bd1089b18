// The MIDI clock and transport messages that reach the control input, handed to whoever follows
// an external clock. Called on the input's receiving thread (ALSA or JACK): must not block.
#pragma once

#include <cstdint>

#include "engine/clock.h"

// System real-time and song position messages, by status byte.
inline constexpr uint8_t kClockTickStatus = 0xF8;
inline constexpr uint8_t kClockStartStatus = 0xFA;
inline constexpr uint8_t kClockContinueStatus = 0xFB;
inline constexpr uint8_t kClockStopStatus = 0xFC;
inline constexpr uint8_t kSongPositionStatus = 0xF2;

class ClockMessageSink {
public:
    virtual ~ClockMessageSink() = default;
    // `songPosition` is the Song Position Pointer in MIDI beats (sixteenth notes) for 0xF2, else 0.
    // `arrival` is when the message arrived, on the steady clock the playback thread uses.
    virtual void onClockMessage(uint8_t status, int32_t songPosition, Clock::Duration arrival) = 0;
};
