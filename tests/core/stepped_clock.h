// A virtual clock for a real playback thread: the thread's sleeps return only when the test moves
// time forward, so a threaded run still has exact, repeatable message times.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/clock.h"
#include "engine/manual_reset_event.h"

class SteppedClock : public Clock {
public:
    Duration now() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return now_;
    }

    void sleepUntil(Duration deadline) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        sleeping_ = true;
        deadline_ = deadline;
        changed_.notify_all();
        changed_.wait(lock, [&] { return now_ >= deadline || interrupted_; });
        sleeping_ = false;
        changed_.notify_all();
    }

    // Shutdown: every sleep returns at once, without time moving.
    void interrupt() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        interrupted_ = true;
        changed_.notify_all();
    }

    // Moves time to `target`, waking the playback thread at each of its deadlines on the way, and
    // returns once the thread sleeps beyond `target` or waits on `idleEvent`.
    void advanceTo(Duration target, ManualResetEvent& idleEvent)
    {
        for (;;) {
            waitUntilQuiet(idleEvent);
            std::unique_lock<std::mutex> lock(mutex_);
            if (sleeping_ && deadline_ <= target) {
                now_ = deadline_;
                changed_.notify_all();
                changed_.wait(lock, [&] { return !sleeping_ || deadline_ > now_; });
                continue;
            }
            if (target > now_)
                now_ = target;
            return;
        }
    }
    void advanceTo(std::chrono::milliseconds target, ManualResetEvent& idleEvent)
    {
        advanceTo(std::chrono::duration_cast<Duration>(target), idleEvent);
    }

    // Wakes the thread at each of its deadlines, however far ahead, until `done()` holds.
    template <typename Predicate>
    void runUntil(Predicate done)
    {
        while (!done()) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (sleeping_ && deadline_ > now_) {
                now_ = deadline_;
                changed_.notify_all();
            }
            changed_.wait_for(lock, std::chrono::milliseconds(1));
        }
    }

    // Waits until the thread is asleep in the future or blocked on the event.
    void waitUntilQuiet(ManualResetEvent& idleEvent)
    {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (changed_.wait_for(lock, std::chrono::milliseconds(1), [&] { return sleeping_ && deadline_ > now_; }))
                    return;
                if (sleeping_ && deadline_ <= now_)
                    continue;
            }
            if (idleEvent.waiters() > 0 && !idleEvent.isSet())
                return;
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    Duration now_{};
    Duration deadline_{};
    bool sleeping_ = false;
    bool interrupted_ = false;
};
