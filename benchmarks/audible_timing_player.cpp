// Plays the default concept with one layer live on the built-in synthesiser, through the real
// playback thread on the steady clock, as the program does after Concept, Okay and Play. The
// audible timing benchmark records what it plays.
//
//   audible_timing_player SECONDS
// Prints "playing" when the first note is sent, "stopped" when Stop has been pressed. Where a
// sink named "null" is there (the benchmark's server), it also reads that sink's monitor and prints
// how long the first note took from its intended time to its sound.
#include <pulse/simple.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/steady_clock.h"
#include "platform/os/realtime_thread.h"
#include "platform/sound/system_midi_output.h"
#include "settings/defaults.h"

namespace {

using Clock = std::chrono::steady_clock;

// Forwards to the real output and keeps the intended time of the first note-on.
class FirstNoteTap : public PortBackend {
public:
    explicit FirstNoteTap(PortBackend& output) : output_(output) {}
    int open(int32_t deviceId) override { return output_.open(deviceId); }
    int close() override { return output_.close(); }
    int send(uint32_t packed, MessageTime intended) override
    {
        if ((packed & 0xF0) == 0x90 && firstNote.load() == MessageTime::zero())
            firstNote.store(intended);
        return output_.send(packed, intended);
    }
    std::atomic<MessageTime> firstNote{MessageTime::zero()};

private:
    PortBackend& output_;
};

// Reads the null sink's monitor in 64-frame pieces and returns the steady time of the first
// sample above a quiet level once `armed` is set; zero when there is no such sink or no sound.
MessageTime firstSoundAfter(const std::atomic<bool>& armed, const std::atomic<bool>& done)
{
    pa_sample_spec format{PA_SAMPLE_S16NE, 44100, 2};
    pa_buffer_attr buffering{};
    buffering.maxlength = static_cast<uint32_t>(-1);
    buffering.fragsize = 64 * 4;
    pa_simple* monitor = pa_simple_new(nullptr, "audible timing", PA_STREAM_RECORD, "null.monitor", "monitor",
                                       &format, nullptr, &buffering, nullptr);
    if (!monitor)
        return MessageTime::zero();
    MessageTime heard = MessageTime::zero();
    int16_t block[64 * 2];
    while (!done.load() && heard == MessageTime::zero()) {
        if (pa_simple_read(monitor, block, sizeof block, nullptr) < 0)
            break;
        const MessageTime now = Clock::now().time_since_epoch();
        if (!armed.load())
            continue;
        for (int frame = 0; frame < 64; ++frame)
            if (std::abs(block[2 * frame]) > 200) {
                heard = now - std::chrono::nanoseconds((64 - frame) * 1'000'000'000LL / 44100);
                break;
            }
    }
    pa_simple_free(monitor);
    return heard;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;
    SettingsRecord settings{};
    fillBuiltInDefaults(settings);
    settings.layerIndex = 0;  // one layer: every note on the alpha/beta grid of layer 1
    settings.midiDeviceId = -1;
    PlayerState player;
    refreshNumeral(player, settings);
    refreshDurations(player, settings);
    refreshModulation(player, settings);
    refreshTables(player, settings);

    SystemMidiOutput output;
    FirstNoteTap tap(output);
    SteadyClock clock;
    player.port.backend = &tap;
    std::atomic<bool> armed{false}, done{false};
    MessageTime heard = MessageTime::zero();
    std::thread listener([&] { heard = firstSoundAfter(armed, done); });
    // Every way out of main ends the listener first (its read returns within a 64-frame piece),
    // so no joinable thread is ever destroyed.
    const auto stopListening = [&] {
        done.store(true);
        listener.join();
    };
    Transport transport;
    transport.prepareThread = requestRealtimeScheduling;
    if (startPlaybackThread(transport, player, settings, clock) != 0) {
        std::fprintf(stderr, "audible_timing_player: the built-in synthesiser does not open\n");
        stopListening();
        return 1;
    }
    // The soundfont loads and the audio stream settles on its pace meanwhile, as while a user
    // chooses a concept after the start.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    sendProgramChanges(player);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    armed.store(true);
    startPlayback(transport, player);
    std::printf("playing\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stopPlayback(transport, player);
    std::printf("stopped\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the last notes ring out
    stopListening();
    shutdownPlayback(transport, player);
    if (heard != MessageTime::zero() && tap.firstNote.load() != MessageTime::zero())
        std::printf("send to sound: %.1f ms (first note, from its intended time to the sink)\n",
                    std::chrono::duration<double, std::milli>(heard - tap.firstNote.load()).count());
    return 0;
}
