#include "platform/sound/synth_frame_timeline.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
// Each report moves the base by 1/256 of its distance: over about 1.5 s of render calls, so the
// reports' scatter (about 0.6 ms) averages out to a few microseconds.
constexpr int64_t kSmoothingCalls = 256;
// A whole window of reports this far off the base, all on one side: the stream stalled (an
// underrun) or its pace changed; the base jumps to the middle of them, so the latency stays what
// it was.
constexpr int64_t kJumpNs = 5'000'000;
// A stream that has just started fills the server's buffer at once and may then wait for the
// server to start: over its first half second of frames the mapping only follows the latest
// report. The soundfont loads meanwhile.
constexpr int64_t kStartFramesDivisor = 2;

}  // namespace

int64_t FrameTimeline::framesToNs(int64_t frames) const
{
    // Split into whole seconds so that days of frames never overflow.
    return frames / rate_ * kNsPerSecond + frames % rate_ * kNsPerSecond / rate_;
}

void FrameTimeline::observe(int64_t frame, MessageTime heardAt)
{
    const int64_t base = heardAt.count() - framesToNs(frame);
    if (!anchored_ || frame < rate_ / kStartFramesDivisor) {
        baseNs_ = base;
        anchored_ = frame >= rate_ / kStartFramesDivisor;
        startWindow(frame);
        return;
    }
    const int64_t distance = base - baseNs_;
    if (distance <= kJumpNs && distance >= -kJumpNs)
        baseNs_ += distance / kSmoothingCalls;  // far ones wait for the window: a jump or a stray
    windowLowNs_ = std::min(windowLowNs_, distance);
    windowHighNs_ = std::max(windowHighNs_, distance);
    if (frame < windowEndFrame_)
        return;
    if (windowLowNs_ > kJumpNs || windowHighNs_ < -kJumpNs)
        baseNs_ += windowLowNs_ / 2 + windowHighNs_ / 2;
    startWindow(frame);
}

void FrameTimeline::startWindow(int64_t frame)
{
    windowLowNs_ = INT64_MAX;
    windowHighNs_ = INT64_MIN;
    windowEndFrame_ = frame + rate_ / 4;
}

int64_t FrameTimeline::frameAt(MessageTime time) const
{
    const int64_t sinceBase = time.count() - baseNs_;
    const int64_t seconds = sinceBase / kNsPerSecond;
    const int64_t rest = sinceBase % kNsPerSecond;
    return seconds * rate_ + rest * rate_ / kNsPerSecond;
}
