#include "engine/pacer.h"

void Pacer::waitMs(int32_t ms)
{
    const Clock::Duration now = clock_.now();
    const Clock::Duration step = std::chrono::milliseconds(ms > 0 ? ms : 0);
    // deadline_ is when the event now beginning was due. Lateness up to one event's length (send
    // time, oversleep, a short preemption) is absorbed by the absolute deadline, so it never
    // accumulates. Beyond that the event would end before it began: the grid moves to now, a
    // shift of the phase by the stall, never a burst. A virtual clock is never late, so its
    // output does not change.
    if (!anchored_ || now - deadline_ > step) {
        deadline_ = now;
        anchored_ = true;
    }
    // Saturates instead of overflowing after about 292 years of virtual time.
    deadline_ = deadline_ > Clock::Duration::max() - step ? Clock::Duration::max() : deadline_ + step;
    if (abandoned())
        return;
    sleepTo(deadline_);
}

Clock::Duration Pacer::eventTime()
{
    return anchored_ ? deadline_ : clock_.now();
}
