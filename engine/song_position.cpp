#include "engine/song_position.h"

#include <cmath>

#include "engine/generator.h"
#include "engine/midi_port.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"

namespace {

// A port that takes every message and keeps none: only the times and the counters matter.
class DiscardingBackend : public PortBackend {
public:
    int open(int32_t) override { return MidiResult::Ok; }
    int send(uint32_t, MessageTime) override { return MidiResult::Ok; }
    int close() override { return MidiResult::Ok; }
};

}  // namespace

SongPositionStart passStartAtOrAfter(const SettingsRecord& settings, double beat)
{
    SongPositionStart found;  // the beginning
    if (settings.alphaDuration <= 0 || !std::isfinite(beat) || beat <= 0.0)
        return found;
    VirtualClock clock;
    DiscardingBackend backend;
    PlayerState player;
    player.port.backend = &backend;
    player.port.clock = &clock;
    put(player.deviceId, settings.midiDeviceId);
    openPort(player);
    refreshAcceptedConcept(player, settings);
    const double alphaNs = get(player.alphaMs) * 1e6;
    if (alphaNs <= 0.0)
        return found;
    // Past the search the run is stopped; the pass in progress drains and ends.
    clock.setAlarm(Clock::Duration(std::llround((beat + kSongPositionSearchBeats) * alphaNs)),
                   [&player] { put(player.playing, 0); });
    put(player.playing, 1);
    Pacer pacer(clock);
    LayerCounters counters{};
    const int32_t top = topLayerForPass(settings.layerIndex);
    SongPositionStart before;  // the last pass that started before `beat`
    for (;;) {
        const double passBeat = static_cast<double>(clock.now().count()) / alphaNs;
        if (get(player.playing) == 0) {
            before.exact = false;
            return before;
        }
        if (passBeat >= beat - 1e-9)
            return {counters, passBeat, true};
        before = {counters, passBeat, true};
        playLayerCycle(player, counters, pacer, top);
    }
}
