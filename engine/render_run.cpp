#include "engine/render_run.h"

#include <functional>

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

// Records like RecordingBackend and hands every full piece to the sink. Past the limit, once
// cancelled or when the sink refuses a piece, it ends the run early by clearing `playing`, so the
// rest of the pass drains at once (and is not recorded). Every 4096 messages it reads the cancel
// flag and calls `checkpoint` (which reports the progress).
class LimitedRecorder : public RecordingBackend {
public:
    LimitedRecorder(Clock& clock, PlayerState& player, RenderSink& sink, WorkProgress* progress)
        : RecordingBackend(clock), player_(player), sink_(sink), progress_(progress)
    {
        messages.reserve(kRenderPieceMessages);
    }
    int send(uint32_t packed, MessageTime intended) override
    {
        if (progress_ && (messages.size() & 0xFFF) == 0) {
            if (progress_->cancelled())
                cancelled = true;
            if (checkpoint)
                checkpoint();
        }
        if (cancelled || refused || handed_ + messages.size() >= kRenderMessageLimit) {
            overflowed = true;
            put(player_.playing, 0);
            return MidiResult::Ok;
        }
        const int code = RecordingBackend::send(packed, intended);
        if (messages.size() >= kRenderPieceMessages)
            handOver();
        return code;
    }
    // The recorded messages not handed over yet go to the sink.
    void handOver()
    {
        if (!refused && !messages.empty())
            refused = !sink_.take(messages);
        handed_ += messages.size();
        messages.clear();
    }
    bool overflowed = false;
    bool cancelled = false;
    bool refused = false;
    std::function<void()> checkpoint;

private:
    PlayerState& player_;
    RenderSink& sink_;
    WorkProgress* progress_;
    size_t handed_ = 0;
};

// Collects every piece.
class CollectingSink : public RenderSink {
public:
    explicit CollectingSink(std::vector<TimedMessage>& messages) : messages_(messages) {}
    bool take(std::span<const TimedMessage> piece) override
    {
        messages_.insert(messages_.end(), piece.begin(), piece.end());
        return true;
    }

private:
    std::vector<TimedMessage>& messages_;
};

}  // namespace

bool renderRun(const SettingsRecord& settings, const RenderLength& length, std::vector<TimedMessage>& messages,
               std::string& error, WorkProgress* progress, int32_t progressEnd, const RenderScope& scope)
{
    messages.clear();
    CollectingSink sink(messages);
    if (renderRun(settings, length, sink, error, progress, progressEnd, scope))
        return true;
    messages.clear();
    return false;
}

bool renderRun(const SettingsRecord& input, const RenderLength& length, RenderSink& sink, std::string& error,
               WorkProgress* progress, int32_t progressEnd, const RenderScope& scope)
{
    SettingsRecord settings = input;
    VirtualClock clock;
    PlayerState player;
    LimitedRecorder recorder(clock, player, sink, progress);
    int64_t passesPlayed = 0;
    recorder.checkpoint = [&] {
        if (length.stopAtMs)
            reportProgress(progress, std::chrono::duration_cast<std::chrono::milliseconds>(clock.now()).count(),
                           *length.stopAtMs, 0, progressEnd);
        else
            reportProgress(progress, passesPlayed, length.passes.value_or(0), 0, progressEnd);
    };
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
        for (; passesPlayed < length.passes.value_or(0) && !recorder.overflowed; ++passesPlayed)
            playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
    }

    if (recorder.cancelled) {
        error = "cancelled";
        return false;
    }
    if (recorder.refused) {
        error = "the output refused the run";
        return false;
    }
    if (recorder.overflowed) {
        error = "the run exceeds " + std::to_string(kRenderMessageLimit) +
                " messages; choose fewer passes or a shorter time";
        return false;
    }
    recorder.handOver();
    if (recorder.refused) {
        error = "the output refused the run";
        return false;
    }
    reportProgress(progress, 1, 1, 0, progressEnd);
    return true;
}
