// A manual-reset event: once set, every wait returns at once until it is reset.
#pragma once

#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    void set()
    {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    void reset()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        signalled_ = false;
    }
    // Returns true when the call had to block (the event was not set on entry).
    bool wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (signalled_)
            return false;
        ++waiters_;
        changed_.wait(lock, [this] { return signalled_; });
        --waiters_;
        return true;
    }
    // Threads blocked in wait() right now (lets tests see that the playback thread is idle).
    int waiters()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return waiters_;
    }
    bool isSet()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return signalled_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
    int waiters_ = 0;
};
