#include "platform/fluid_synth_output.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "engine/port_backend.h"
#include "platform/fluid_support.h"
#include "platform/midi_jack_probe.h"

FluidSynthOutput::~FluidSynthOutput()
{
    release();
}

void FluidSynthOutput::release()
{
    // The outputs pull audio from the synth on their own threads, so they go first.
    pulseStream_.stop();
    if (loader_.joinable())
        loader_.join();
    if (driver_)
        delete_fluid_audio_driver(driver_);
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
    driver_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
    ready_.store(false);
    failed_.store(false);
    pending_.clear();
}

int FluidSynthOutput::open()
{
    if (settings_)
        return MidiResult::Allocated;
    openFailure_.clear();
    std::string soundfont;
    std::string pulseError;
    {
        FluidLogCapture log;
        settings_ = new_fluid_settings();
        if (!settings_)
            return MidiResult::NoMemory;
        // A message takes effect at the start of the next 256-frame period (5.8 ms at 44.1 kHz),
        // so onsets keep their spacing within that. These apply to the ALSA and JACK drivers;
        // PulseAudio is fed by a stream of our own with the same period.
        fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
        fluid_settings_setint(settings_, "audio.period-size", PulseSynthStream::kPeriodFrames);
        fluid_settings_setint(settings_, "audio.periods", PulseSynthStream::kBufferedPeriods);
        fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);

        std::string looked;
        soundfont = findSoundfont(settings_, &looked);
        if (soundfont.empty()) {
            release();
            openFailure_ = "the built-in synthesiser has no General MIDI soundfont: " + looked +
                           (looked.find(',') == std::string::npos ? " is" : " are") + " missing or unreadable";
            return MidiResult::NoDevice;
        }
        soundfont_ = soundfont;
        pulseStream_.start([this](float* out, int frames) { render(out, frames); }, kSampleRate, pulseError);
    }
    // The loader starts once the log capture has ended: FluidSynth's log hooks are global.
    if (pulseError.empty()) {
        loader_ = std::thread([this, soundfont] { loadInBackground(soundfont); });
        return MidiResult::Ok;
    }

    // No PulseAudio: FluidSynth's own ALSA or JACK driver, which needs the synthesiser first.
    FluidLogCapture log;
    fluid_synth_t* synth = loadSynth(soundfont);
    if (!synth) {
        release();
        openFailure_ = "the built-in synthesiser cannot load the soundfont " + soundfont;
        return MidiResult::NoDevice;
    }
    publish(synth);
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
    openFailure_ = "the built-in synthesiser finds no audio output (" + pulseError +
                   "; ALSA and JACK do not open either): start the audio server, or choose a MIDI port";
    return MidiResult::NoDevice;
}

fluid_synth_t* FluidSynthOutput::loadSynth(const std::string& soundfont)
{
    fluid_synth_t* synth = new_fluid_synth(settings_);
    if (!synth) {
        std::cerr << "pulselattice: built-in synthesiser: cannot create the synthesiser\n";
        return nullptr;
    }
    if (fluid_synth_sfload(synth, soundfont.c_str(), 1) == FLUID_FAILED) {
        std::cerr << "pulselattice: built-in synthesiser: cannot load soundfont " << soundfont << "\n";
        delete_fluid_synth(synth);
        return nullptr;
    }
    makeAllChannelsMelodic(synth);
    return synth;
}

// Loader thread, at a low priority so that the window's start-up goes first.
void FluidSynthOutput::loadInBackground(std::string soundfont)
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 15);
    fluid_synth_t* synth = loadSynth(soundfont);
    if (!synth) {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        failed_.store(true);
        pending_.clear();
        return;
    }
    publish(synth);
}

// Plays what was sent while loading, then lets sends and the render thread use the synth. The
// lock keeps a send from slipping in between.
void FluidSynthOutput::publish(fluid_synth_t* synth)
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    synth_ = synth;
    for (uint32_t message : pending_)
        playShortMessage(synth_, message);
    pending_.clear();
    ready_.store(true, std::memory_order_release);
}

// Render thread: silence until the soundfont is loaded.
void FluidSynthOutput::render(float* interleaved, int frames)
{
    if (ready_.load(std::memory_order_acquire))
        fluid_synth_write_float(synth_, frames, interleaved, 0, 2, interleaved, 1, 2);
    else
        std::fill(interleaved, interleaved + 2 * frames, 0.0f);
}

std::string FluidSynthOutput::failureReason()
{
    if (settings_ && failed_.load())
        return "the built-in synthesiser cannot load the soundfont " + soundfont_;
    if (settings_ && pulseStream_.lost())
        return "the built-in synthesiser lost its audio output (" + pulseStream_.lostReason() +
               "); press Play again once the audio server is back";
    return openFailure_;
}

int FluidSynthOutput::send(uint32_t packed, MessageTime)
{
    if (!settings_)
        return MidiResult::InvalidHandle;
    if (pulseStream_.lost())
        return MidiResult::NotReady;
    if (!ready_.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        if (failed_.load())
            return MidiResult::NoDevice;
        if (!ready_.load(std::memory_order_relaxed)) {
            if ((packed & 0xFF) < 0x80)
                return MidiResult::BadOpenMode;  // as playShortMessage refuses it
            if (pending_.size() < kMaxPendingMessages)
                pending_.push_back(packed);
            return MidiResult::Ok;
        }
    }
    return playShortMessage(synth_, packed) ? MidiResult::Ok : MidiResult::BadOpenMode;
}

int FluidSynthOutput::close()
{
    if (!settings_)
        return MidiResult::InvalidHandle;
    release();
    return MidiResult::Ok;
}

bool FluidSynthOutput::waitUntilLoaded()
{
    if (loader_.joinable())
        loader_.join();
    return ready_.load();
}

int FluidSynthOutput::activeVoiceCount()
{
    return ready_.load(std::memory_order_acquire) ? fluid_synth_get_active_voice_count(synth_) : 0;
}
