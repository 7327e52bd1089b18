// A JACK client for tests and benchmarks: one MIDI output port that sends the messages queued to
// it, each at the start of the next cycle, and notes the steady time it wrote each one.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/sound/spsc_ring.h"

class JackSender {
public:
    // Registers "<clientName>:output" on the running server; ok() is false when there is none.
    explicit JackSender(const char* clientName) : name_(clientName)
    {
        jack_status_t status{};
        client_ = jack_client_open(clientName, JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "output", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (!port_ || jack_set_process_callback(client_, process, this) != 0 || jack_activate(client_) != 0) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackSender()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackSender(const JackSender&) = delete;
    JackSender& operator=(const JackSender&) = delete;

    bool ok() const { return client_ != nullptr; }
    // Connects the output to a port given by its full name; true when connected.
    bool connectTo(const std::string& destination)
    {
        const int result = jack_connect(client_, (name_ + ":output").c_str(), destination.c_str());
        return result == 0 || result == EEXIST;
    }
    // Any thread but one at a time. At most 32 bytes (a short SysEx).
    bool send(std::initializer_list<uint8_t> bytes)
    {
        Message message;
        message.size = static_cast<uint32_t>(bytes.size() < message.bytes.size() ? bytes.size() : message.bytes.size());
        std::memcpy(message.bytes.data(), bytes.begin(), message.size);
        return queue_.push(message);
    }
    // The steady time (ns) at which the process callback wrote the last message, 0 before any.
    int64_t lastWrittenNs() const { return lastWrittenNs_.load(std::memory_order_acquire); }

private:
    struct Message {
        std::array<uint8_t, 32> bytes{};
        uint32_t size = 0;
    };

    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackSender*>(argument);
        void* buffer = jack_port_get_buffer(self.port_, frames);
        jack_midi_clear_buffer(buffer);
        while (const Message* message = self.queue_.front()) {
            if (jack_midi_event_write(buffer, 0, message->bytes.data(), message->size) != 0)
                break;
            self.queue_.pop();
            self.lastWrittenNs_.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count(),
                                      std::memory_order_release);
        }
        return 0;
    }

    std::string name_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    SpscRing<Message, 64> queue_;
    std::atomic<int64_t> lastWrittenNs_{0};
};
