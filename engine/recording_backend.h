// A port backend that keeps every message with the time it was sent, instead of playing it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/clock.h"
#include "engine/port_backend.h"

struct TimedMessage {
    Clock::Duration time;
    uint32_t packed;  // status in bits 0-7, data 1 in 8-15, data 2 in 16-23, maybe kDataOutOfRange
    MessageTime intended = kSendAtOnce;  // the time the sender meant it for

    uint8_t status() const { return packed & 0xFF; }
    uint8_t data1() const { return (packed >> 8) & 0xFF; }
    uint8_t data2() const { return (packed >> 16) & 0xFF; }
    int64_t timeMs() const { return std::chrono::duration_cast<std::chrono::milliseconds>(time).count(); }
};

class RecordingBackend : public PortBackend {
public:
    explicit RecordingBackend(Clock& clock) : clock_(clock) {}

    int open(int32_t deviceId) override
    {
        openedDevices.push_back(deviceId);
        if (failOpenWith != MidiResult::Ok)
            return failOpenWith;
        isOpen = true;
        return MidiResult::Ok;
    }
    int send(uint32_t packed, MessageTime intended) override
    {
        if (!isOpen)
            return MidiResult::InvalidHandle;
        if (failSendWith != MidiResult::Ok)
            return failSendWith;
        messages.push_back({clock_.now(), packed, intended});
        return MidiResult::Ok;
    }
    int close() override
    {
        ++closeCount;
        if (!isOpen)
            return MidiResult::InvalidHandle;
        isOpen = false;
        return MidiResult::Ok;
    }

    std::vector<TimedMessage> messages;
    std::vector<int32_t> openedDevices;
    int closeCount = 0;
    bool isOpen = false;
    int failOpenWith = MidiResult::Ok;
    int failSendWith = MidiResult::Ok;

private:
    Clock& clock_;
};
