// A delay-locked loop that smooths the arrival times of a periodic event (MIDI clock ticks) into
// a steady time line: the filtered time of the latest tick and the period, as JACK and Ardour
// filter their cycle times. Times in ns on the caller's clock. One thread at a time.
#pragma once

#include <cstdint>

class TickDll {
public:
    // `bandwidth` is the loop's bandwidth as a fraction of the tick rate (0 < bandwidth < 0.1):
    // larger follows a tempo change sooner and passes on more of the arrival jitter.
    explicit TickDll(double bandwidth = 0.05);

    // Starts afresh with a tick at `time`, the next one expected `period` later.
    void reset(double time, double period);
    // A tick arrived at `time`. The first tick after a reset sets the period from the interval.
    void update(double time);

    bool started() const { return ticks_ > 0; }
    double tickTime() const { return t0_; }   // the filtered time of the latest tick
    double period() const { return t1_ - t0_; }  // ns per tick
    int64_t ticksSinceReset() const { return ticks_; }

private:
    double b_, c_;          // loop gains: b = sqrt(2) * omega, c = omega^2
    double t0_ = 0.0;       // filtered time of the latest tick
    double t1_ = 0.0;       // predicted time of the next tick
    double e2_ = 0.0;       // the period the loop runs at
    int64_t ticks_ = 0;     // ticks since the last reset
};
