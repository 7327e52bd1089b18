// Monotonic time for the playback thread: the real steady clock in the program, a virtual clock
// in tests and in the render tool.
#pragma once

#include <chrono>

class Clock {
public:
    using Duration = std::chrono::nanoseconds;  // since the clock's own epoch
    virtual ~Clock() = default;
    virtual Duration now() = 0;
    virtual void sleepUntil(Duration deadline) = 0;
    // Wakes every sleepUntil at once, the one in progress and all later ones (shutdown). Any
    // thread. Clocks that never block need nothing here.
    virtual void interrupt() {}
};
