#include "engine/tick_dll.h"

#include <cmath>
#include <numbers>

TickDll::TickDll(double bandwidth)
{
    // A second-order loop, critically damped: omega = 2 pi B T with T one tick.
    const double omega = 2.0 * std::numbers::pi * bandwidth;
    b_ = std::sqrt(2.0) * omega;
    c_ = omega * omega;
}

void TickDll::reset(double time, double period)
{
    e2_ = period;
    t0_ = time;
    t1_ = time + period;
    ticks_ = 1;
}

void TickDll::update(double time)
{
    if (ticks_ == 0) {
        reset(time, e2_ > 0.0 ? e2_ : 1.0);
        return;
    }
    if (ticks_ == 1) {
        // Two ticks give the period; the loop starts from it instead of from a guess.
        if (time > t0_)
            reset(time, time - t0_);
        ticks_ = 2;
        return;
    }
    const double error = time - t1_;
    t0_ = t1_;
    t1_ += b_ * error + e2_;
    e2_ += c_ * error;
    ++ticks_;
}
