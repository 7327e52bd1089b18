// The built-in General MIDI synthesiser (device -1): FluidSynth playing to the first audio output
// that opens of PulseAudio, ALSA and JACK.
#pragma once

#include <cstdint>

#include <fluidsynth.h>

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
    int send(uint32_t packedMessage);
    int close();
    bool isOpen() const { return synth_ != nullptr; }

private:
    void release();

    static constexpr double kSampleRate = 44100.0;

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    PulseSynthStream pulseStream_;           // PulseAudio output, when a server accepts it
    fluid_audio_driver_t* driver_ = nullptr;  // ALSA or JACK output otherwise
};
