// JACK clients for tests of following an external MIDI clock: a sender that plays a script of
// one-byte real-time messages (ticks, Start, Stop) at exact frames, and a feed that hands every
// message reaching its input to a ClockMessageSink with its arrival time on the steady clock,
// from its process callback, as a control input does.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/clock_message_sink.h"
#include "platform/sound/jack_client.h"

class JackClockSender {
public:
    struct Message {
        uint64_t frame;  // frames after the sender's first cycle
        uint8_t status;
    };

    // Registers "<clientName>:out"; the script starts with the first cycle after activate().
    JackClockSender(const char* clientName, std::vector<Message> script) : script_(std::move(script))
    {
        client_ = jack_client_open(clientName, JackNoStartServer, nullptr);
        if (client_)
            port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (client_ && (!port_ || jack_set_process_callback(client_, process, this) != 0)) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackClockSender()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackClockSender(const JackClockSender&) = delete;
    JackClockSender& operator=(const JackClockSender&) = delete;

    bool ok() const { return client_ != nullptr; }
    bool activate() { return client_ && jack_activate(client_) == 0; }
    bool finished() const { return next_.load() >= script_.size(); }
    // The server frame the script counts from (valid once the first cycle ran).
    uint64_t firstFrame() const { return first_.load(); }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackClockSender*>(argument);
        void* buffer = jack_port_get_buffer(self.port_, frames);
        jack_midi_clear_buffer(buffer);
        const uint64_t cycleStart = jack_last_frame_time(self.client_);
        if (!self.started_) {
            self.started_ = true;
            self.first_.store(cycleStart);
        }
        const uint64_t from = cycleStart - self.first_.load(), to = from + frames;
        size_t next = self.next_.load(std::memory_order_relaxed);
        for (; next < self.script_.size() && self.script_[next].frame < to; ++next) {
            const uint64_t frame = self.script_[next].frame;
            const jack_nframes_t offset = frame > from ? static_cast<jack_nframes_t>(frame - from) : 0;
            jack_midi_event_write(buffer, offset, &self.script_[next].status, 1);
        }
        self.next_.store(next, std::memory_order_release);
        return 0;
    }

    std::vector<Message> script_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool started_ = false;  // process thread only
    std::atomic<uint64_t> first_{0};
    std::atomic<size_t> next_{0};
};

class JackClockFeed {
public:
    // Registers "<clientName>:in" and starts handing what arrives to `sink`.
    JackClockFeed(const char* clientName, ClockMessageSink& sink) : sink_(sink)
    {
        client_ = jack_client_open(clientName, JackNoStartServer, nullptr);
        if (client_)
            port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        offsetNs_ = jackMinusSteadyNs();
        if (client_ && (!port_ || jack_set_process_callback(client_, process, this) != 0 || jack_activate(client_) != 0)) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackClockFeed()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackClockFeed(const JackClockFeed&) = delete;
    JackClockFeed& operator=(const JackClockFeed&) = delete;

    bool ok() const { return client_ != nullptr; }
    // Clock ticks (F8) that reached the input: one lost in a cycle the server skipped us in shows here.
    int ticksReceived() const { return ticks_.load(); }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackClockFeed*>(argument);
        void* buffer = jack_port_get_buffer(self.port_, frames);
        const jack_nframes_t cycleStart = jack_last_frame_time(self.client_);
        const uint32_t count = jack_midi_get_event_count(buffer);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0 || event.size < 1)
                continue;
            // The message's frame on JACK's clock (µs, CLOCK_MONOTONIC), carried to the steady clock.
            const int64_t jackNs = static_cast<int64_t>(jack_frames_to_time(self.client_, cycleStart + event.time)) * 1000;
            self.sink_.onClockMessage(event.buffer[0], 0, Clock::Duration(jackNs - self.offsetNs_));
            self.ticks_.fetch_add(event.buffer[0] == 0xF8);
        }
        return 0;
    }

    ClockMessageSink& sink_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    int64_t offsetNs_ = 0;
    std::atomic<int> ticks_{0};  // written by the process thread
};
