// The real monotonic clock for the playback thread.
#pragma once

#include <thread>

#include "engine/clock.h"

class SteadyClock : public Clock {
public:
    Duration now() override { return std::chrono::steady_clock::now().time_since_epoch(); }
    void sleepUntil(Duration deadline) override
    {
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(deadline));
    }
};
