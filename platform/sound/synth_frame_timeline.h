// Where steady-clock time falls in a stream of audio frames: the mapping the live synthesiser
// uses to place each message at its frame.
#pragma once

#include <cstdint>

#include "engine/port_backend.h"

// Frame f of the stream is heard at base + f / rate on the steady clock. Each render call reports
// when its first frame will be heard (its own time plus what the server still holds); those
// reports scatter by a millisecond or so, and the base follows their running mean slowly, so the
// scatter does not move events while a device clock a few hundred ppm off the steady clock is
// still followed. A lasting jump (an underrun, the stream's start) is taken at once.
// Render thread only: no locks, no allocation.
class FrameTimeline {
public:
    explicit FrameTimeline(int64_t framesPerSecond) : rate_(framesPerSecond) {}

    // At the start of each render call: its first frame and when that frame will be heard.
    void observe(int64_t frame, MessageTime heardAt);

    // The frame heard at `time` (before any observe(): frame 0 at time 0; over the stream's first
    // half second a provisional mapping).
    int64_t frameAt(MessageTime time) const;

    // Steady time at which frame 0 is heard, in nanoseconds.
    int64_t baseNs() const { return baseNs_; }

private:
    int64_t framesToNs(int64_t frames) const;
    void startWindow(int64_t frame);

    int64_t rate_;
    bool anchored_ = false;
    int64_t baseNs_ = 0;
    int64_t windowEndFrame_ = 0;  // jumps are checked once per quarter second of frames
    int64_t windowLowNs_ = 0;     // the smallest and largest distance of a report from the base
    int64_t windowHighNs_ = 0;    // in the current window
};
