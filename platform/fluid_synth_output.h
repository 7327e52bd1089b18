// The built-in General MIDI synthesiser (device -1): FluidSynth playing to the first audio output
// that opens of PulseAudio, ALSA and JACK.
//
// Loading the soundfont takes about 100 ms. On PulseAudio the port opens as soon as the soundfont
// is found and the audio stream is up, and the soundfont loads on a thread of its own while the
// program starts; messages sent meanwhile wait in order and play the moment it is loaded.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fluidsynth.h>

#include "engine/port_backend.h"
#include "platform/pulse_synth_stream.h"

class FluidSynthOutput {
public:
    FluidSynthOutput() = default;
    ~FluidSynthOutput();
    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    // 68 ("no MIDI port was found") when there is no soundfont or no audio output; the detail goes
    // to stderr. 4 when already open.
    int open();
    // 68 when the soundfont turned out not to load after the port had opened.
    // `intendedTime`: when the message is meant to sound, on the steady clock.
    int send(uint32_t packedMessage, MessageTime intendedTime = kSendAtOnce);
    int close();
    bool isOpen() const { return settings_ != nullptr; }
    // Why the last open or send failed: the soundfont missing or not loading, no audio output,
    // the audio server gone.
    std::string failureReason();

    // Waits until the soundfont has loaded or failed; true when the synthesiser plays.
    bool waitUntilLoaded();
    // Voices sounding now (after the soundfont has loaded; 0 before). For tests.
    int activeVoiceCount();

private:
    static constexpr double kSampleRate = 44100.0;
    // Messages kept while the soundfont loads; far more than start-up and a concept ever send.
    static constexpr size_t kMaxPendingMessages = 4096;

    fluid_synth_t* loadSynth(const std::string& soundfont);
    void loadInBackground(std::string soundfont);
    void publish(fluid_synth_t* synth);
    void render(float* interleaved, int frames);
    void release();

    fluid_settings_t* settings_ = nullptr;
    std::string soundfont_;     // the soundfont being loaded or played
    std::string openFailure_;   // why the last open failed
    fluid_synth_t* synth_ = nullptr;  // written once under pendingMutex_, before ready_ is set
    std::atomic<bool> ready_{false};  // synth_ loaded and every waiting message played
    std::atomic<bool> failed_{false};
    std::mutex pendingMutex_;
    std::vector<uint32_t> pending_;  // sent before the soundfont was loaded, in order
    std::thread loader_;
    PulseSynthStream pulseStream_;            // PulseAudio output, when a server accepts it
    fluid_audio_driver_t* driver_ = nullptr;  // ALSA or JACK output otherwise
};
