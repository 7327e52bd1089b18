// The control input and its feedback output on JACK: a client of our own with a MIDI input
// "control" and a MIDI output "control out", open while a JACK server runs.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/clock_message_sink.h"
#include "platform/sound/control_inbox.h"

class JackControlPorts {
public:
    // `clockSink` (may be null) gets the clock messages on JACK's process thread.
    JackControlPorts(ControlInbox& inbox, ClockMessageSink* clockSink);
    ~JackControlPorts();
    JackControlPorts(const JackControlPorts&) = delete;
    JackControlPorts& operator=(const JackControlPorts&) = delete;

    // UI thread. Opens the client and its two ports when a server runs and they are not open;
    // forgets a client whose server has gone away first. True while open. Cheap without a
    // server: with jackd's libjack only its socket is tried.
    bool open();
    // Leaves the server; the ports go with the client.
    void close();
    bool isOpen() const;
    // Before open(): where the clock messages go (null: nowhere).
    void setClockSink(ClockMessageSink* clockSink) { clockSink_ = clockSink; }
    // UI thread: goes out at the start of the next cycle. Dropped while closed.
    void sendFeedback(uint32_t packedMessage);

    struct Shared;  // what the process and shutdown callbacks see

private:
    ControlInbox& inbox_;
    ClockMessageSink* clockSink_;
    std::unique_ptr<Shared> shared_;
};

// The ports' short names.
inline constexpr const char* kControlInputPortName = "control";
inline constexpr const char* kControlOutputJackPortName = "control out";
