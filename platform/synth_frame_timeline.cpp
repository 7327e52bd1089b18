#include "platform/synth_frame_timeline.h"

#include <algorithm>

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
// The base is checked once per window of a quarter second of frames. A window whose every call
// came more than the dead band later than the base moves the base towards it by at most
// kDriftStepNs: a device clock up to 200 ppm slower than the steady clock is followed in steps far
// inside one 64-frame block (1.45 ms).
constexpr int64_t kDriftDeadBandNs = 1'000'000;
constexpr int64_t kDriftStepNs = 50'000;
// Later than this for a whole window: the stream stalled (an underrun, or its start), and every
// frame since sounds that much later; re-anchor at once, so the latency stays what it was.
constexpr int64_t kResyncNs = 10'000'000;

// A stream that has just started renders its first periods at once to fill the server's buffer,
// far earlier than it will ever render again, and may then wait for the server to start: over
// its first half second of frames the mapping only follows the latest call. The soundfont loads
// meanwhile.
constexpr int64_t kStartFramesPerSecondDivisor = 2;

}  // namespace

int64_t FrameTimeline::framesToNs(int64_t frames) const
{
    // Split into whole seconds so that days of frames never overflow.
    return frames / rate_ * kNsPerSecond + frames % rate_ * kNsPerSecond / rate_;
}

void FrameTimeline::observe(int64_t frame, MessageTime now)
{
    const int64_t base = now.count() - framesToNs(frame);
    if (frame < rate_ / kStartFramesPerSecondDivisor) {
        baseNs_ = base;
        return;
    }
    if (!anchored_) {
        anchored_ = true;
        baseNs_ = base;
        windowMinimumNs_ = base;
        windowEndFrame_ = frame + rate_ / 4;
        return;
    }
    baseNs_ = std::min(baseNs_, base);  // a call earlier than thought: the device runs ahead
    windowMinimumNs_ = std::min(windowMinimumNs_, base);
    if (frame < windowEndFrame_)
        return;
    const int64_t lag = windowMinimumNs_ - baseNs_;
    if (lag > kResyncNs)
        baseNs_ = windowMinimumNs_;
    else if (lag > kDriftDeadBandNs)
        baseNs_ += std::min(lag - kDriftDeadBandNs, kDriftStepNs);
    windowMinimumNs_ = base;
    windowEndFrame_ = frame + rate_ / 4;
}

int64_t FrameTimeline::frameAt(MessageTime time) const
{
    const int64_t sinceBase = time.count() - baseNs_;
    const int64_t seconds = sinceBase / kNsPerSecond;
    const int64_t rest = sinceBase % kNsPerSecond;
    return seconds * rate_ + rest * rate_ / kNsPerSecond;
}
