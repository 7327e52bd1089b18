// A JACK client for tests: one MIDI input port that records every event with its frame.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

class JackRecorder {
public:
    struct Event {
        uint32_t frame = 0;          // on the server's frame clock
        uint32_t offset = 0;         // within its cycle
        int64_t timeNs = 0;          // the frame on JACK's clock (jack_frames_to_time)
        std::string bytes;           // "93 55 45"
    };

    // Registers "<clientName>:input" on the running server; ok() is false when there is none.
    // `playbackLatency` frames: what the input declares, as a synthesiser that sounds that long
    // after a message arrives does, so a sender that follows it sends that much early.
    explicit JackRecorder(const char* clientName, jack_nframes_t playbackLatency = 0) : declared_(playbackLatency)
    {
        jack_status_t status{};
        client_ = jack_client_open(clientName, JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!port_ || jack_set_process_callback(client_, process, this) != 0 ||
            (declared_ && jack_set_latency_callback(client_, declareLatency, this) != 0) ||
            jack_set_xrun_callback(client_, countXrun, this) != 0 || jack_activate(client_) != 0) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackRecorder()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    bool ok() const { return client_ != nullptr; }
    // Cycles the server reported late since the recorder started.
    int xruns() const { return xruns_.load(); }

    // How long around a reported xrun events are not judged to the frame, on JACK's clock. A late
    // cycle makes the server skip clients and restart its frame clock: an event due in the skipped
    // span arrives up to a few cycles late, and the report comes a little after the cycle.
    static constexpr int64_t kXrunShadowNs = 20'000'000;
    // Whether `timeNs` (an event's, on JACK's clock) is within kXrunShadowNs of a reported xrun.
    bool nearXrun(int64_t timeNs) const
    {
        const size_t count = std::min<size_t>(static_cast<size_t>(xruns_.load()), xrunTimesNs_.size());
        for (size_t i = 0; i < count; ++i)
            if (std::llabs(xrunTimesNs_[i] - timeNs) <= kXrunShadowNs)
                return true;
        return false;
    }
    jack_client_t* client() const { return client_; }

    // What has arrived so far, in order.
    std::vector<Event> events() const
    {
        std::vector<Event> copy;
        const size_t count = count_.load(std::memory_order_acquire);
        for (size_t i = 0; i < count; ++i) {
            const Slot& slot = slots_[i];
            Event event{slot.frame, slot.offset, slot.timeNs, ""};
            for (uint32_t b = 0; b < slot.size; ++b) {
                char hex[4];
                std::snprintf(hex, sizeof hex, b ? " %02x" : "%02x", slot.data[b]);
                event.bytes += hex;
            }
            copy.push_back(event);
        }
        return copy;
    }

private:
    struct Slot {
        uint32_t frame, offset, size;
        int64_t timeNs;
        uint8_t data[3];
    };

    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackRecorder*>(argument);
        void* buffer = jack_port_get_buffer(self.port_, frames);
        const jack_nframes_t cycleStart = jack_last_frame_time(self.client_);
        const uint32_t events = jack_midi_get_event_count(buffer);
        size_t count = self.count_.load(std::memory_order_relaxed);
        for (uint32_t i = 0; i < events && count < self.slots_.size(); ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0)
                continue;
            Slot& slot = self.slots_[count++];
            slot.frame = cycleStart + event.time;
            slot.offset = event.time;
            slot.timeNs = static_cast<int64_t>(jack_frames_to_time(self.client_, slot.frame)) * 1000;
            slot.size = event.size < 3 ? static_cast<uint32_t>(event.size) : 3;
            for (uint32_t b = 0; b < slot.size; ++b)
                slot.data[b] = event.buffer[b];
        }
        self.count_.store(count, std::memory_order_release);
        return 0;
    }

    static void declareLatency(jack_latency_callback_mode_t mode, void* argument)
    {
        auto& self = *static_cast<JackRecorder*>(argument);
        jack_latency_range_t range{self.declared_, self.declared_};
        if (mode == JackPlaybackLatency)
            jack_port_set_latency_range(self.port_, JackPlaybackLatency, &range);
    }

    // JACK's notification thread: notes when, on the frame clock's own time.
    static int countXrun(void* argument)
    {
        auto& self = *static_cast<JackRecorder*>(argument);
        const int index = self.xruns_.load();
        if (static_cast<size_t>(index) < self.xrunTimesNs_.size())
            self.xrunTimesNs_[index] =
                static_cast<int64_t>(jack_frames_to_time(self.client_, jack_frame_time(self.client_))) * 1000;
        self.xruns_.store(index + 1);
        return 0;
    }

    jack_nframes_t declared_ = 0;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::array<Slot, 4096> slots_{};
    std::atomic<size_t> count_{0};
    std::atomic<int> xruns_{0};  // written by the notification thread only
    std::array<int64_t, 1024> xrunTimesNs_{};
};
