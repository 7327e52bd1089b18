// The real monotonic clock for the playback thread; its sleeps can be cut short at shutdown.
#pragma once

#include <condition_variable>
#include <mutex>

#include "engine/clock.h"

class SteadyClock : public Clock {
public:
    Duration now() override { return std::chrono::steady_clock::now().time_since_epoch(); }
    void sleepUntil(Duration deadline) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        woken_.wait_until(lock, std::chrono::steady_clock::time_point(deadline), [this] { return interrupted_; });
    }
    void interrupt() override
    {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            interrupted_ = true;
        }
        woken_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool interrupted_ = false;
};
