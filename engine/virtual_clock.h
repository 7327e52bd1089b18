// A clock that only moves when slept on, so a whole pass runs in no real time and every message
// has an exact time. Used by tests and by the render tool.
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "engine/clock.h"

class VirtualClock : public Clock {
public:
    Duration now() override { return now_; }

    void sleepUntil(Duration deadline) override
    {
        // An alarm inside this wait (start <= alarm < end) fires at its own time, once.
        if (alarmAt_ && now_ <= *alarmAt_ && *alarmAt_ < deadline) {
            now_ = *alarmAt_;
            alarmAt_.reset();
            auto action = std::exchange(alarmAction_, {});
            if (action)
                action();
        }
        if (deadline > now_)
            now_ = deadline;
    }

    void setAlarm(Duration at, std::function<void()> action)
    {
        alarmAt_ = at;
        alarmAction_ = std::move(action);
    }

    bool alarmPending() const { return alarmAt_.has_value(); }

private:
    Duration now_{};
    std::optional<Duration> alarmAt_;
    std::function<void()> alarmAction_;
};
