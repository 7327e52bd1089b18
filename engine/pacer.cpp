#include "engine/pacer.h"

void Pacer::waitMs(int32_t ms)
{
    const Clock::Duration now = clock_.now();
    if (!anchored_ || now > deadline_ + kBlockedThreshold) {
        deadline_ = now;
        anchored_ = true;
    }
    if (ms > 0)
        deadline_ += std::chrono::milliseconds(ms);
    clock_.sleepUntil(deadline_);
}
