#include "engine/pacer.h"

void Pacer::waitMs(int32_t ms)
{
    if (blockedCount_) {
        const uint32_t count = blockedCount_->load(std::memory_order_relaxed);
        if (count != lastBlockedCount_) {
            lastBlockedCount_ = count;
            anchored_ = false;
        }
    }
    if (!anchored_) {
        deadline_ = clock_.now();
        anchored_ = true;
    }
    if (ms > 0) {
        // Saturates instead of overflowing after about 292 years of virtual time.
        const Clock::Duration step = std::chrono::milliseconds(ms);
        deadline_ = deadline_ > Clock::Duration::max() - step ? Clock::Duration::max() : deadline_ + step;
    }
    if (abandoned())
        return;
    sleepTo(deadline_);
}

Clock::Duration Pacer::eventTime()
{
    return anchored_ ? deadline_ : clock_.now();
}
