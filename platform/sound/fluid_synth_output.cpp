#include "platform/sound/fluid_synth_output.h"

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <iostream>
#include <thread>

#include "platform/sound/fluid_support.h"
#include "platform/sound/midi_jack_probe.h"
#include "platform/sound/placed_render.h"

FluidSynthOutput::~FluidSynthOutput()
{
    release();
}

void FluidSynthOutput::release()
{
    // The outputs pull audio from the synth on their own threads, so they go first. A load still
    // under way is abandoned, not waited for.
    pulseStream_.stop();
    if (driver_)
        delete_fluid_audio_driver(driver_);
    if (droppedNotes_.load() > 0)
        std::cerr << "pulselattice: built-in synthesiser: " << droppedNotes_.load()
                  << " notes due before the soundfont had loaded were left out\n";
    load_.reset();
    if (settings_)
        delete_fluid_settings(settings_);
    driver_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
    queue_.reset();
    activeVoices_.store(0);
    droppedNotes_.store(0);
    playing_.store(false);
}

int FluidSynthOutput::open()
{
    if (settings_)
        return MidiResult::Allocated;
    openFailure_.clear();
    queue_ = std::make_unique<MessageQueue>();
    timeline_ = FrameTimeline(static_cast<int64_t>(kSampleRate));
    streamFrame_ = 0;
    std::string pulseError;
    FluidLogCapture log;
    settings_ = new_fluid_settings();
    if (!settings_) {
        queue_.reset();
        return MidiResult::NoMemory;
    }
    // The render period: messages are placed within it at their own frames, so it adds to the
    // latency, not to the jitter. These apply to the ALSA and JACK drivers; PulseAudio is fed by a
    // stream of our own with the same period.
    configureSynth(settings_, kSampleRate);
    fluid_settings_setint(settings_, "audio.period-size", PulseSynthStream::kPeriodFrames);
    fluid_settings_setint(settings_, "audio.periods", PulseSynthStream::kBufferedPeriods);
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);

    std::string looked;
    const std::string soundfont = findSoundfont(settings_, &looked);
    if (soundfont.empty()) {
        release();
        openFailure_ = "the built-in synthesiser has no General MIDI soundfont: " + looked +
                       (looked.find(',') == std::string::npos ? " is" : " are") + " missing or unreadable";
        return MidiResult::NoDevice;
    }
    soundfont_ = soundfont;
    // The load starts first and goes on while the output opens; the output plays silence until it ends.
    load_ = std::make_unique<SoundfontLoad>(soundfont, kSampleRate, true);
    if (pulseStream_.start([this](float* out, int frames, MessageTime heardAt) { render(out, out + 1, 2, frames, heardAt); },
                           kSampleRate, pulseError))
        return MidiResult::Ok;

    // No PulseAudio: FluidSynth's own ALSA or JACK driver, calling our render as the stream does.
    for (const char* name : {"alsa", "jack"}) {
        // JACK's client would try to start a server of its own; only join one that runs.
        if (std::string(name) == "jack" && !jackServerAnswers())
            continue;
        fluid_settings_setstr(settings_, "audio.driver", name);
        driver_ = new_fluid_audio_driver2(settings_, renderForDriver, this);
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

// Render thread, until it succeeds once: takes the synthesiser when its load has ended. The
// timed note-ons already due are left out and counted; everything else waiting (program changes,
// controllers, note-offs, messages sent for "at once") plays at once, in order.
bool FluidSynthOutput::takeLoadedSynth()
{
    synth_ = load_ ? load_->synth() : nullptr;
    if (!synth_)
        return false;
    while (const TimedShortMessage* next = queue_->front()) {
        const bool timed = next->time != kSendAtOnce;
        if (timed && timeline_.frameAt(next->time + kSynthSchedulingLatency) >= streamFrame_)
            break;  // not due yet: placed at its frame as usual
        const bool noteOn = (next->packed & 0xF0) == 0x90 && ((next->packed >> 16) & 0x7F) != 0;
        if (timed && noteOn)
            droppedNotes_.fetch_add(1, std::memory_order_relaxed);
        else
            playShortMessage(synth_, next->packed);
        queue_->pop();
    }
    playing_.store(true, std::memory_order_release);
    return true;
}

// Render thread: silence until the soundfont is loaded, then the synthesiser with each queued
// message at the frame heard at its intended time plus the scheduling latency. `heardAt`: when
// the first frame will be heard; zero when the output cannot tell.
void FluidSynthOutput::render(float* left, float* right, int stride, int frames, MessageTime heardAt)
{
    if (heardAt != MessageTime::zero())
        timeline_.observe(streamFrame_, heardAt);
    if (!synth_ && !takeLoadedSynth()) {
        for (int i = 0; i < frames; ++i)
            left[i * stride] = right[i * stride] = 0.0f;
        streamFrame_ += frames;
        return;
    }
    struct LiveSource {
        MessageQueue& queue;
        const FrameTimeline& timeline;
        bool peek(PlacedMessage& message)
        {
            const TimedShortMessage* next = queue.front();
            if (!next)
                return false;
            const int64_t frame = next->time == kSendAtOnce
                                      ? INT64_MIN  // at once: where the render stands
                                      : timeline.frameAt(next->time + kSynthSchedulingLatency);
            message = {frame, next->packed};
            return true;
        }
        void pop() { queue.pop(); }
    } source{*queue_, timeline_};
    renderPlaced(synth_, source, streamFrame_, frames, [&](int offset, int count) {
        fluid_synth_write_float(synth_, count, left, offset * stride, stride, right, offset * stride, stride);
    });
    activeVoices_.store(fluid_synth_get_active_voice_count(synth_), std::memory_order_relaxed);
    streamFrame_ += frames;
}

std::string FluidSynthOutput::failureReason()
{
    if (settings_ && load_ && load_->failed())
        return "the built-in synthesiser cannot load the soundfont " + soundfont_;
    if (settings_ && pulseStream_.lost())
        return "the built-in synthesiser lost its audio output (" + pulseStream_.lostReason() +
               "); press Play again once the audio server is back";
    return openFailure_;
}

// FluidSynth's ALSA or JACK driver thread: the first two outputs are left and right.
int FluidSynthOutput::renderForDriver(void* self, int frames, int effectCount, float* effects[], int outputCount,
                                      float* outputs[])
{
    for (int i = 0; i < effectCount; ++i)
        std::fill(effects[i], effects[i] + frames, 0.0f);
    for (int i = 2; i < outputCount; ++i)
        std::fill(outputs[i], outputs[i] + frames, 0.0f);
    // The driver keeps its periods in the device: the first frame is heard after those.
    const MessageTime heardAt = std::chrono::steady_clock::now().time_since_epoch() +
                                std::chrono::microseconds(1'000'000LL * PulseSynthStream::kPeriodFrames *
                                                          PulseSynthStream::kBufferedPeriods /
                                                          static_cast<int64_t>(kSampleRate));
    if (outputCount >= 2)
        static_cast<FluidSynthOutput*>(self)->render(outputs[0], outputs[1], 1, frames, heardAt);
    return FLUID_OK;
}

// One producer at a time: the engine port's lock serialises the UI
// thread's and the playback thread's sends, which is all the queue needs.
int FluidSynthOutput::send(uint32_t packed, MessageTime intendedTime)
{
    if (!settings_)
        return MidiResult::InvalidHandle;
    if (load_->failed())
        return MidiResult::NoDevice;
    if (pulseStream_.lost())
        return MidiResult::NotReady;
    if ((packed & 0xFF) < 0x80)
        return MidiResult::BadOpenMode;  // no status byte: nothing a synthesiser can play
    // A time far ahead (only damaged settings saturate a deadline) would hold every later message
    // behind it: it plays a second after it was sent at the latest. Later times stay later.
    const MessageTime latest = std::chrono::steady_clock::now().time_since_epoch() + kMaxScheduleAhead;
    if (intendedTime > latest)
        intendedTime = latest;
    return queue_->push({intendedTime, packed}) ? MidiResult::Ok : MidiResult::NotReady;
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
    if (!load_ || !load_->wait())
        return false;
    // The render thread takes the synthesiser at its next period (a few ms): wait for that, as
    // long as the stream runs.
    for (int i = 0; i < 2000 && !playing_.load(std::memory_order_acquire); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return playing_.load(std::memory_order_acquire);
}
