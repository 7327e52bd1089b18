// Where steady-clock time falls in a stream of audio frames: the mapping the live synthesiser
// uses to place each message at its frame.
#pragma once

#include <cstdint>

#include "engine/port_backend.h"

// Frame f of the stream is due at base + f / rate on the steady clock. The base is taken from the
// render calls themselves: each call renders its first frame no earlier than that frame is due.
// It follows the earliest call (the render thread may run late, never earlier than the device
// asks), so the jitter of the render thread does not move events. A device clock that runs slow
// against the steady clock is followed in small steps; a lasting jump (an underrun) at once.
// Render thread only: no locks, no allocation.
class FrameTimeline {
public:
    explicit FrameTimeline(int64_t framesPerSecond) : rate_(framesPerSecond) {}

    // At the start of each render call: the first frame it renders and the steady time now.
    void observe(int64_t frame, MessageTime now);

    // The frame due at `time` (before any observe(): frame 0 is due at time 0; over the stream's
    // first half second a provisional mapping).
    int64_t frameAt(MessageTime time) const;

    // Steady time at which frame 0 was due, in nanoseconds.
    int64_t baseNs() const { return baseNs_; }

private:
    int64_t framesToNs(int64_t frames) const;

    int64_t rate_;
    bool anchored_ = false;
    int64_t baseNs_ = 0;
    int64_t windowEndFrame_ = 0;    // the drift check runs once per quarter second of frames
    int64_t windowMinimumNs_ = 0;   // earliest base seen in the current window
};
