// A long job's cancel flag and how far it has come, shared by the thread that runs it and the one
// that watches it (Export's worker and its progress box, the render tool and its signals).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

struct WorkProgress {
    // Set by the watcher (or a signal handler: lock-free); the job ends at its next check, which
    // comes after at most a few milliseconds of work.
    std::atomic<bool> cancel{false};
    // 0..1000 of the whole job, written by the job; -1 until it knows.
    std::atomic<int32_t> permille{-1};

    bool cancelled() const { return cancel.load(std::memory_order_relaxed); }

    // Reports `done` of `total` units of a step that covers [from, to] permille of the job.
    void report(int64_t done, int64_t total, int32_t from, int32_t to)
    {
        if (total <= 0)
            return;
        const int64_t share = std::clamp<int64_t>(done, 0, total) * (to - from) / total;
        permille.store(from + static_cast<int32_t>(share), std::memory_order_relaxed);
    }
};

// The checks below take cancel and progress through a pointer that may be null (nobody watches).
inline bool isCancelled(const WorkProgress* progress)
{
    return progress && progress->cancelled();
}

inline void reportProgress(WorkProgress* progress, int64_t done, int64_t total, int32_t from, int32_t to)
{
    if (progress)
        progress->report(done, total, from, to);
}
