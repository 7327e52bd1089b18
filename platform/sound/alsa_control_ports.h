// The control input and its feedback output on the ALSA sequencer, through RtMidi: an input port
// "control" that other clients write to, and an output port "control" they read from.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/clock_message_sink.h"
#include "platform/sound/control_inbox.h"

class RtMidiIn;
class RtMidiOut;

class AlsaControlPorts {
public:
    // `clockSink` (may be null) gets the clock messages on RtMidi's input thread.
    AlsaControlPorts(ControlInbox& inbox, ClockMessageSink* clockSink);
    ~AlsaControlPorts();
    AlsaControlPorts(const AlsaControlPorts&) = delete;
    AlsaControlPorts& operator=(const AlsaControlPorts&) = delete;

    // UI thread. False where there is no ALSA sequencer or RtMidi refuses; nothing is open then.
    bool open();
    void close();
    bool isOpen() const { return in_ != nullptr; }
    // Before open(): where the clock messages go (null: nowhere).
    void setClockSink(ClockMessageSink* clockSink) { receiver_.clockSink = clockSink; }
    // UI thread: sent at once; dropped while closed.
    void sendFeedback(uint32_t packedMessage);

    // What RtMidi's input thread is given.
    struct Receiver {
        ControlInbox* inbox;
        ClockMessageSink* clockSink;
    };

private:
    Receiver receiver_;
    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<RtMidiOut> out_;
};
