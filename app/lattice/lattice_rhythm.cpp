#include "app/lattice/lattice_rhythm.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/pacer.h"
#include "engine/recording_backend.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "settings/numeral_presets.h"
#include "settings/rhythm_units.h"

namespace {

// The recording port cannot fail; should it, the run goes on silently.
class SilentReporter : public ErrorReporter {
public:
    void showError(const std::string&) override {}
};

// A private player, port and virtual clock: the same generator, none of the program's state.
struct Simulation {
    explicit Simulation(const LatticeRhythm& rhythm) : recorder(clock)
    {
        player.port.backend = &recorder;
        player.port.reporter = &reporter;
        recorder.isOpen = true;
        player.numeral.store(rhythm.numeral, std::memory_order_relaxed);
        put(player.alphaMs, rhythm.alphaMs);
        put(player.betaMs, rhythm.betaMs);
        put(player.playing, 1);
    }

    // From `at` on, the run drains as a stopped pass does: no more waits beyond what is running.
    void stopAt(Clock::Duration at)
    {
        clock.setAlarm(at, [this] {
            put(player.playing, 0);
            stopped = true;
        });
    }

    VirtualClock clock;
    RecordingBackend recorder;
    SilentReporter reporter;
    PlayerState player;
    Pacer pacer{clock};
    bool stopped = false;
};

// Note-ons open a cell of their layer and close the one before; the first note-off of a layer's
// pair closes its cycle's last cell.
std::vector<LatticeCell> cellsOf(const std::vector<TimedMessage>& messages, const LayerCounters& counters,
                                 Clock::Duration horizon)
{
    std::vector<LatticeCell> cells;
    std::array<int64_t, kLayerCount> open;
    open.fill(-1);
    LayerCounters next = counters;
    for (const TimedMessage& message : messages) {
        const int32_t kind = message.status() & 0xF0;
        const int32_t channel = message.status() & 0x0F;
        const int32_t layer = channel / 2;
        if (kind != 0x90 && !(kind == 0x80 && channel % 2 == 0))
            continue;
        if (open[layer] >= 0) {
            cells[open[layer]].end = message.time;
            open[layer] = -1;
        }
        if (kind == 0x90 && message.time < horizon) {
            open[layer] = static_cast<int64_t>(cells.size());
            cells.push_back({layer, channel % 2 == 0, next[layer]++, message.time, message.time, true});
        }
    }
    // Still running when the messages end, or ending at or past the horizon: cut there.
    for (int64_t index : open)
        if (index >= 0)
            cells[index].end = horizon;
    for (LatticeCell& cell : cells) {
        if (cell.end >= horizon) {
            cell.end = horizon;
            cell.endKnown = false;
        }
    }
    return cells;
}

// `horizon`, or sooner where the shorter layer-0 length would fit more events than the limit.
Clock::Duration boundedHorizon(const LatticeRhythm& rhythm, Clock::Duration horizon)
{
    const Clock::Duration shortest = std::chrono::milliseconds(std::min(rhythm.alphaMs, rhythm.betaMs));
    return std::min(horizon, shortest * kLatticeEventLimit);
}

}  // namespace

Clock::Duration LatticeRhythm::realTime(Clock::Duration engineTime) const
{
    if (scale == 1.0)
        return engineTime;
    return Clock::Duration(std::llround(static_cast<double>(engineTime.count()) * scale));
}

Clock::Duration LatticeRhythm::engineTime(Clock::Duration realTime) const
{
    if (scale == 1.0 || !(scale > 0.0))
        return realTime;
    const double engine = static_cast<double>(realTime.count()) / scale;
    const double largest = static_cast<double>(Clock::Duration::max().count()) / 2;
    return Clock::Duration(static_cast<Clock::Duration::rep>(std::clamp(engine, -largest, largest)));
}

Clock::Duration LatticeRhythm::realLength(bool alpha) const
{
    return realTime(std::chrono::milliseconds(std::max(0, alpha ? alphaMs : betaMs)));
}

LatticeRhythm rhythmFromSettings(const SettingsRecord& settings)
{
    SettingsRecord copy = settings;
    if (isPresetPosition(copy.numeralPreset))
        copy.numeral = numeralPresetValue(copy.numeralPreset - 1);
    return {copy.numeral, scaledDurationMs(copy.tempo, copy.alphaDuration),
            scaledDurationMs(copy.tempo, copy.betaDuration), topLayerForPass(copy.layerIndex)};
}

LatticeRhythm rhythmFromPlayer(const PlayerState& player, int32_t layerIndex)
{
    return {player.numeral.load(std::memory_order_relaxed), get(player.alphaMs), get(player.betaMs),
            topLayerForPass(layerIndex)};
}

LatticeRhythm rhythmOnBeats(LatticeRhythm rhythm, double alphaMs, double betaBeats)
{
    if (!(alphaMs > 0.0) || !std::isfinite(alphaMs) || !(betaBeats > 0.0) || !(betaBeats * kBeatUnits < INT32_MAX))
        return rhythm;
    rhythm.alphaMs = kBeatUnits;
    rhythm.betaMs = static_cast<int32_t>(std::lround(betaBeats * kBeatUnits));
    rhythm.scale = alphaMs / kBeatUnits;
    return rhythm;
}

std::vector<LatticeCell> previewCells(const LatticeRhythm& rhythm, const LayerCounters& counters,
                                      Clock::Duration horizon)
{
    // Layer-0 events that last nothing (only a damaged file gives them) would never reach the end.
    if (rhythm.alphaMs <= 0 || rhythm.betaMs <= 0 || !(rhythm.scale > 0.0))
        return {};
    Simulation run(rhythm);
    const Clock::Duration engineHorizon = rhythm.engineTime(horizon);
    run.stopAt(boundedHorizon(rhythm, engineHorizon));
    LayerCounters played = counters;
    while (!run.stopped)
        playLayerCycle(run.player, played, run.pacer, rhythm.topLayer);
    std::vector<LatticeCell> cells = cellsOf(run.recorder.messages, counters, engineHorizon);
    for (LatticeCell& cell : cells) {
        cell.start = rhythm.realTime(cell.start);
        cell.end = cell.endKnown ? rhythm.realTime(cell.end) : horizon;
    }
    return cells;
}

std::optional<Clock::Duration> eventLength(const LatticeRhythm& rhythm, int32_t layer, bool alpha,
                                           const LayerCounters& counters, Clock::Duration limit)
{
    if (layer <= 0)
        return rhythm.realLength(alpha);
    if (rhythm.alphaMs <= 0 || rhythm.betaMs <= 0 || !(rhythm.scale > 0.0))
        return std::nullopt;
    Simulation run(rhythm);
    run.stopAt(boundedHorizon(rhythm, rhythm.engineTime(limit)));
    LayerCounters played = counters;
    playLayerCycle(run.player, played, run.pacer, layer - 1);
    if (run.stopped)
        return std::nullopt;
    return rhythm.realTime(run.clock.now());
}
