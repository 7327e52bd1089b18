#include "platform/fluid_synth_output.h"

#include <iostream>
#include <string>

#include "engine/port_backend.h"
#include "platform/fluid_support.h"
#include "platform/midi_jack_probe.h"

FluidSynthOutput::~FluidSynthOutput()
{
    release();
}

void FluidSynthOutput::release()
{
    // The output pulls audio from the synth on its own thread, so it goes first.
    pulseStream_.stop();
    if (driver_)
        delete_fluid_audio_driver(driver_);
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
    driver_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
}

int FluidSynthOutput::open()
{
    if (synth_)
        return MidiResult::Allocated;
    FluidLogCapture log;
    settings_ = new_fluid_settings();
    if (!settings_)
        return MidiResult::NoMemory;
    // A message takes effect at the start of the next 256-frame period (5.8 ms at 44.1 kHz), so
    // onsets keep their spacing within that. These apply to the ALSA and JACK drivers; PulseAudio
    // is fed by a stream of our own with the same period.
    fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(settings_, "audio.period-size", 256);
    fluid_settings_setint(settings_, "audio.periods", 4);
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);

    const std::string soundfont = findSoundfont(settings_);
    if (soundfont.empty()) {
        std::cerr << "pulselattice: built-in synthesiser: no General MIDI soundfont found (synth.default-soundfont, "
                     "/usr/share/sounds/sf2/default-GM.sf2, /usr/share/sounds/sf3/default-GM.sf3)\n";
        release();
        return MidiResult::NoDevice;
    }
    synth_ = new_fluid_synth(settings_);
    if (!synth_) {
        std::cerr << "pulselattice: built-in synthesiser: cannot create the synthesiser\n" << log.text();
        release();
        return MidiResult::NoMemory;
    }
    if (fluid_synth_sfload(synth_, soundfont.c_str(), 1) == FLUID_FAILED) {
        std::cerr << "pulselattice: built-in synthesiser: cannot load soundfont " << soundfont << "\n" << log.text();
        release();
        return MidiResult::NoDevice;
    }
    std::string pulseError;
    if (pulseStream_.start(synth_, kSampleRate, pulseError))
        return MidiResult::Ok;
    for (const char* name : {"alsa", "jack"}) {
        // JACK's client would try to start a server of its own; only join one that runs.
        if (std::string(name) == "jack" && !jackServerAnswers())
            continue;
        fluid_settings_setstr(settings_, "audio.driver", name);
        driver_ = new_fluid_audio_driver(settings_, synth_);
        if (driver_)
            return MidiResult::Ok;
    }
    std::cerr << "pulselattice: built-in synthesiser: no audio output opens (tried pulseaudio, alsa, jack)\n"
              << pulseError << "\n" << log.text();
    release();
    return MidiResult::NoDevice;
}

int FluidSynthOutput::send(uint32_t packed)
{
    if (!synth_)
        return MidiResult::InvalidHandle;
    return playShortMessage(synth_, packed) ? MidiResult::Ok : MidiResult::BadOpenMode;
}

int FluidSynthOutput::close()
{
    if (!synth_)
        return MidiResult::InvalidHandle;
    release();
    return MidiResult::Ok;
}
