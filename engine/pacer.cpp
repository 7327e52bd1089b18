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
    if (ms > 0)
        deadline_ += std::chrono::milliseconds(ms);
    clock_.sleepUntil(deadline_);
}
