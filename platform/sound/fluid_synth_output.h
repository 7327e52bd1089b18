// The built-in General MIDI synthesiser (device -1): FluidSynth playing to the first audio output
// that opens of PulseAudio, ALSA and JACK, each message placed at its intended time.
//
// The port opens as soon as the soundfont is found and an audio output is up; the soundfont then
// loads on a thread of its own (SoundfontLoad), about 100 ms for a small one and 2 s for a 40 MB
// .sf3, and the output plays silence meanwhile. Messages sent meanwhile wait in order; once it has
// loaded they play, except note-ons whose time has passed by then: those are left out and counted
// (droppedNotes), so a load never ends in a burst of every note it held up, out of the rhythm.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <fluidsynth.h>

#include "engine/port_backend.h"
#include "platform/sound/synth_frame_timeline.h"
#include "platform/sound/pulse_synth_stream.h"
#include "platform/sound/soundfont_load.h"
#include "platform/sound/spsc_ring.h"

// Every message reaches the sink this long after its intended time, so that neither the playback
// thread's lateness nor the render period is heard. The audio stream holds 17 to 23 ms of sound
// and a message may just miss the 5.8 ms period that holds its frame; what is left, about 6 ms,
// absorbs the playback thread's wake-up lateness on a busy 2-core machine (playback timing
// benchmark under load: p99 0.4 to 0.6 ms, 5 ms in the worst run). A message later still plays at
// once. The JACK output should be aligned to the same time, so both sound together.
inline constexpr std::chrono::milliseconds kSynthSchedulingLatency{35};

class FluidSynthOutput {
public:
    FluidSynthOutput() = default;
    ~FluidSynthOutput();
    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    // 68 ("no MIDI port was found") when there is no soundfont or no audio output; the detail goes
    // to stderr. 4 when already open.
    int open();
    // `intendedTime`: when the message is meant to sound, on the steady clock; it sounds
    // kSynthSchedulingLatency later. A time already past, or kSendAtOnce, plays at once, but never
    // before a message sent earlier. 68 when the soundfont turned out not to load after the port
    // had opened; 67 when the output has stopped taking messages (the queue is full).
    // One caller at a time (the port's lock serialises the UI and the playback thread).
    int send(uint32_t packedMessage, MessageTime intendedTime = kSendAtOnce);
    int close();
    bool isOpen() const { return settings_ != nullptr; }
    // Why the last open or send failed: the soundfont missing or not loading, no audio output,
    // the audio server gone.
    std::string failureReason();

    // Waits until the soundfont has loaded or failed and, when it loaded, until the render thread
    // plays it (messages sent from then on are placed as usual); true when the synthesiser plays.
    bool waitUntilLoaded();
    // Voices sounding at the end of the last render (0 before the soundfont has loaded). For tests.
    int activeVoiceCount() const { return activeVoices_.load(std::memory_order_relaxed); }
    // Timed note-ons left out since the port opened because their time had passed before the
    // soundfont had loaded. Any thread.
    int droppedNotes() const { return droppedNotes_.load(std::memory_order_relaxed); }

private:
    static constexpr double kSampleRate = 44100.0;
    static constexpr std::chrono::seconds kMaxScheduleAhead{1};
    struct TimedShortMessage {
        MessageTime time;
        uint32_t packed;
    };
    // Far more than start-up and a concept send while the soundfont loads, and than a render
    // thread that stalls for seconds leaves waiting.
    using MessageQueue = SpscRing<TimedShortMessage, 8192>;

    bool takeLoadedSynth();
    void render(float* left, float* right, int stride, int frames, MessageTime heardAt);
    static int renderForDriver(void* self, int frames, int effectCount, float* effects[], int outputCount,
                               float* outputs[]);
    void release();

    fluid_settings_t* settings_ = nullptr;
    std::string soundfont_;     // the soundfont being loaded or played
    std::string openFailure_;   // why the last open failed
    // Set before the audio output starts, reset after it has stopped: the render thread reads it.
    std::unique_ptr<SoundfontLoad> load_;
    fluid_synth_t* synth_ = nullptr;  // render thread only: the loaded synthesiser, once it is
    std::atomic<bool> playing_{false};  // the render thread has taken the loaded synthesiser
    std::atomic<int> activeVoices_{0};
    std::atomic<int> droppedNotes_{0};
    // Sends in, render thread out: the only way a message reaches the synthesiser.
    std::unique_ptr<MessageQueue> queue_;
    // Render thread only.
    FrameTimeline timeline_{static_cast<int64_t>(kSampleRate)};
    int64_t streamFrame_ = 0;  // frames rendered since the output started
    PulseSynthStream pulseStream_;            // PulseAudio output, when a server accepts it
    fluid_audio_driver_t* driver_ = nullptr;  // ALSA or JACK output otherwise
};
