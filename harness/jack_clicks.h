// Sound in one JACK graph for the timing tests: a click synthesiser that sounds each note-on at
// its frame, and ears that note the frame of every click they hear on each of their inputs.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// "<name>:midi_in" to "<name>:out": a full-scale click of 1 ms starting at the frame of each
// note-on, in the cycle it arrives in. Its output is not delayed against its input, so it
// declares no latency of its own: JACK gives its input the playback latency of its output.
class JackClickSynth {
public:
    explicit JackClickSynth(const char* name)
    {
        jack_status_t status{};
        client_ = jack_client_open(name, JackNoStartServer, &status);
        if (!client_)
            return;
        in_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        clickFrames_ = jack_get_sample_rate(client_) / 1000;
        if (!in_ || !out_ || jack_set_process_callback(client_, process, this) != 0 || jack_activate(client_) != 0) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackClickSynth()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackClickSynth(const JackClickSynth&) = delete;
    JackClickSynth& operator=(const JackClickSynth&) = delete;
    bool ok() const { return client_ != nullptr; }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackClickSynth*>(argument);
        void* midi = jack_port_get_buffer(self.in_, frames);
        auto* out = static_cast<float*>(jack_port_get_buffer(self.out_, frames));
        const uint32_t count = jack_midi_get_event_count(midi);
        uint32_t next = 0;
        jack_midi_event_t event{};
        bool pending = count > 0 && jack_midi_event_get(&event, midi, 0) == 0;
        for (jack_nframes_t i = 0; i < frames; ++i) {
            while (pending && event.time <= i) {
                if (event.size == 3 && (event.buffer[0] & 0xF0) == 0x90 && event.buffer[2] > 0)
                    self.left_ = self.clickFrames_;
                pending = ++next < count && jack_midi_event_get(&event, midi, next) == 0;
            }
            out[i] = self.left_ > 0 ? 1.0f : 0.0f;
            if (self.left_ > 0)
                --self.left_;
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_nframes_t clickFrames_ = 48;
    jack_nframes_t left_ = 0;  // frames of the click still to sound; audio thread
};

// "<name>:<input>" for each given input: notes the frame at which each click starts (a sample of
// at least half scale after 50 ms below 1 %), as a time on JACK's clock in ns.
class JackOnsetEars {
public:
    JackOnsetEars(const char* name, const std::vector<std::string>& inputs)
    {
        jack_status_t status{};
        client_ = jack_client_open(name, JackNoStartServer, &status);
        if (!client_ || inputs.size() > kInputs)
            return;
        for (const std::string& input : inputs)
            ports_.push_back(jack_port_register(client_, input.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
        quietNeeded_ = jack_get_sample_rate(client_) / 20;
        for (jack_port_t* port : ports_)
            if (!port) {
                jack_client_close(client_);
                client_ = nullptr;
                return;
            }
        if (jack_set_process_callback(client_, process, this) != 0 || jack_activate(client_) != 0) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~JackOnsetEars()
    {
        if (client_)
            jack_client_close(client_);
    }
    JackOnsetEars(const JackOnsetEars&) = delete;
    JackOnsetEars& operator=(const JackOnsetEars&) = delete;
    bool ok() const { return client_ != nullptr; }
    jack_client_t* client() const { return client_; }

    // The onsets heard so far on input `index`, in ns on JACK's clock.
    std::vector<int64_t> onsets(size_t index) const
    {
        const Heard& heard = heard_[index];
        const size_t count = heard.count.load(std::memory_order_acquire);
        return std::vector<int64_t>(heard.timeNs.begin(), heard.timeNs.begin() + count);
    }

private:
    static constexpr size_t kInputs = 4;
    struct Heard {
        std::array<int64_t, 4096> timeNs{};
        std::atomic<size_t> count{0};
        jack_nframes_t quietFor = 0;
    };

    static int process(jack_nframes_t frames, void* argument)
    {
        auto& self = *static_cast<JackOnsetEars*>(argument);
        const jack_nframes_t cycleStart = jack_last_frame_time(self.client_);
        for (size_t p = 0; p < self.ports_.size(); ++p) {
            const auto* in = static_cast<const float*>(jack_port_get_buffer(self.ports_[p], frames));
            Heard& heard = self.heard_[p];
            for (jack_nframes_t i = 0; i < frames; ++i) {
                const float level = std::fabs(in[i]);
                if (level >= 0.5f && heard.quietFor >= self.quietNeeded_) {
                    const size_t count = heard.count.load(std::memory_order_relaxed);
                    if (count < heard.timeNs.size()) {
                        heard.timeNs[count] = static_cast<int64_t>(jack_frames_to_time(self.client_, cycleStart + i)) * 1000;
                        heard.count.store(count + 1, std::memory_order_release);
                    }
                }
                heard.quietFor = level < 0.01f ? heard.quietFor + 1 : 0;
            }
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    std::vector<jack_port_t*> ports_;
    std::array<Heard, kInputs> heard_{};
    jack_nframes_t quietNeeded_ = 2400;
};
