#include "app/session/tap_tempo.h"

#include <cmath>

#include "app/app_context.h"
#include "common/diagnostics.h"
#include "engine/refresh.h"

namespace {

constexpr double kMinTempo = 20.0;   // Link's range
constexpr double kMaxTempo = 999.0;

}  // namespace

double tappedBpm(const TapTimes& taps)
{
    if (taps.count < 2)
        return 0.0;
    const double spanNs = static_cast<double>((taps.times[taps.count - 1] - taps.times[0]).count());
    return spanNs > 0.0 ? 60e9 * static_cast<double>(taps.count - 1) / spanNs : 0.0;
}

void tapTempo(AppContext& app)
{
    TapTimes& taps = app.tapTimes;
    const Clock::Duration now = app.clock.now();
    if (taps.count > 0 && now - taps.times[taps.count - 1] > kTapResetAfter)
        taps.count = 0;
    if (taps.count == taps.times.size()) {
        for (size_t k = 1; k < taps.times.size(); ++k)
            taps.times[k - 1] = taps.times[k];
        --taps.count;
    }
    taps.times[taps.count++] = now;
    const double bpm = tappedBpm(taps);
    if (bpm == 0.0)
        return;
    if (bpm < kMinTempo || bpm > kMaxTempo) {
        logDiagnostic("tap tempo: " + std::to_string(bpm) + " BPM is outside 20-999, not taken");
        return;
    }
    SessionSync* session = app.transport.session;
    if (session && session->followingClock())
        return;  // the external clock keeps the tempo
    if (session && session->following()) {
        session->timeline->setTempo(bpm);
        return;
    }
    // Link off: the layer-0 durations in force, the beta event keeping its ratio to the alpha one.
    const int32_t alphaMs = static_cast<int32_t>(std::lround(60000.0 / bpm));
    const SettingsRecord& working = app.working;
    const int32_t betaMs = working.alphaDuration > 0
                               ? static_cast<int32_t>(std::lround(static_cast<double>(alphaMs) * working.betaDuration /
                                                                  working.alphaDuration))
                               : alphaMs;
    put(app.player.alphaMs, alphaMs);
    put(app.player.betaMs, betaMs);
    taps.overriding = true;
}

void tapTempoPlayStarting(AppContext& app)
{
    if (!app.tapTimes.overriding)
        return;
    app.tapTimes.overriding = false;
    refreshDurations(app.player, app.working);
}
