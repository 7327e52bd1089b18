// Plays the default concept with one layer live on the built-in synthesiser, through the real
// playback thread on the steady clock, as the program does after Concept, Okay and Play. The
// audible timing benchmark records what it plays.
//
//   audible_timing_player SECONDS
// Prints "playing" when the first note is sent, "stopped" when Stop has been pressed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/steady_clock.h"
#include "platform/realtime_thread.h"
#include "platform/system_midi_output.h"
#include "settings/defaults.h"

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
    SteadyClock clock;
    player.port.backend = &output;
    Transport transport;
    transport.prepareThread = requestRealtimeScheduling;
    if (startPlaybackThread(transport, player, settings, clock) != 0) {
        std::fprintf(stderr, "audible_timing_player: the built-in synthesiser does not open\n");
        return 1;
    }
    // The soundfont loads and the recorder starts meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sendProgramChanges(player);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    startPlayback(transport, player);
    std::printf("playing\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stopPlayback(transport, player);
    std::printf("stopped\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the last notes ring out
    shutdownPlayback(transport, player);
    return 0;
}
