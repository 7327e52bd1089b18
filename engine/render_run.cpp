#include "engine/render_run.h"

#include "common/diagnostics.h"
#include "engine/midi_port.h"
#include "engine/generator.h"
#include "engine/player_state.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "settings/numeral_presets.h"

namespace {

// Failures cannot happen on the recording port; should one, it goes to stderr.
class StderrReporter : public ErrorReporter {
public:
    void showError(const std::string& text) override { logDiagnostic("render: " + text); }
};

// Records like RecordingBackend, and past the limit or once cancelled ends the run early by
// clearing `playing`, so the rest of the pass drains at once.
class LimitedRecorder : public RecordingBackend {
public:
    LimitedRecorder(Clock& clock, PlayerState& player, const std::atomic<bool>* cancel)
        : RecordingBackend(clock), player_(player), cancel_(cancel)
    {
    }
    int send(uint32_t packed, MessageTime intended) override
    {
        if (cancel_ && (messages.size() & 0xFFF) == 0 && cancel_->load(std::memory_order_relaxed))
            cancelled = true;
        if (cancelled || messages.size() >= kRenderMessageLimit) {
            overflowed = true;
            put(player_.playing, 0);
            return MidiResult::Ok;
        }
        return RecordingBackend::send(packed, intended);
    }
    bool overflowed = false;
    bool cancelled = false;

private:
    PlayerState& player_;
    const std::atomic<bool>* cancel_;
};

}  // namespace

bool renderRun(const SettingsRecord& input, const RenderLength& length, std::vector<TimedMessage>& messages,
               std::string& error, const std::atomic<bool>* cancel, const RenderScope& scope)
{
    SettingsRecord settings = input;
    VirtualClock clock;
    PlayerState player;
    LimitedRecorder recorder(clock, player, cancel);
    StderrReporter reporter;
    player.port.backend = &recorder;
    player.port.reporter = &reporter;
    player.port.clock = &clock;
    put(player.deviceId, settings.midiDeviceId);
    openPort(player);

    // The concept is accepted: exact preset value, then the refreshes and the program changes.
    takeExactPresetNumeral(settings);
    refreshAcceptedConcept(player, settings);
    sendProgramChanges(player);

    // Play.
    player.mutedLayers.store(scope.mutedLayers, std::memory_order_relaxed);
    put(player.playing, 1);
    LayerCounters counters = scope.startCounters;
    Pacer pacer(clock);
    if (length.stopAtMs) {
        bool stopped = false;
        clock.setAlarm(std::chrono::milliseconds(*length.stopAtMs), [&] {
            put(player.playing, 0);
            sendNoteOffSweep(player);
            stopped = true;
        });
        while (!stopped && !recorder.overflowed)
            playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
    } else {
        for (int64_t pass = 0; pass < length.passes.value_or(0) && !recorder.overflowed; ++pass)
            playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
    }

    if (recorder.cancelled) {
        error = "cancelled";
        return false;
    }
    if (recorder.overflowed) {
        error = "the run exceeds " + std::to_string(kRenderMessageLimit) +
                " messages; choose fewer passes or a shorter time";
        return false;
    }
    messages = std::move(recorder.messages);
    return true;
}
