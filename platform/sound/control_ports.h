// The control input "control" that controllers and other programs connect to: an ALSA sequencer
// input and, while a JACK server runs, a JACK MIDI input, with the feedback output beside each and
// the queue that takes their messages to the UI thread. Open from start-up to the end.
#pragma once

#include <cstdint>

#include "platform/sound/alsa_control_ports.h"
#include "platform/sound/control_inbox.h"
#include "platform/sound/jack_control_ports.h"

class ControlPorts {
public:
    ControlPorts() : alsa_(inbox_, nullptr), jack_(inbox_, nullptr) {}
    ~ControlPorts() { close(); }
    ControlPorts(const ControlPorts&) = delete;
    ControlPorts& operator=(const ControlPorts&) = delete;

    // Before open(): the clock follower, called on the receiving threads (null: none).
    void setClockSink(ClockMessageSink* sink)
    {
        alsa_.setClockSink(sink);
        jack_.setClockSink(sink);
    }
    // UI thread. Opens the ALSA ports, and JACK's when a server runs.
    void open()
    {
        alsa_.open();
        jack_.open();
    }
    // UI thread, every second or so: JACK's ports come once a server runs, also after one has
    // gone away and another started.
    void followJackServer() { jack_.open(); }
    void close()
    {
        alsa_.close();
        jack_.close();
    }
    // UI thread: the same message on both feedback outputs.
    void sendFeedback(uint32_t packedMessage)
    {
        alsa_.sendFeedback(packedMessage);
        jack_.sendFeedback(packedMessage);
    }

    ControlInbox& inbox() { return inbox_; }
    bool alsaOpen() const { return alsa_.isOpen(); }
    bool jackOpen() const { return jack_.isOpen(); }

private:
    ControlInbox inbox_;
    AlsaControlPorts alsa_;
    JackControlPorts jack_;
};
