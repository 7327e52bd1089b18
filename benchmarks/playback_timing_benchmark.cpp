// Onset accuracy of the playback thread in real time, beside a plain "send, then sleep the
// duration" loop over the same events. Both timestamp every message on the monotonic clock and
// are compared with the ideal grid that a virtual-clock run of the same settings gives. A third
// run, bare sleeps to the same grid, shows how punctual this machine can wake a thread at all.
// Our playback announces its note-ons to a lattice feed, read at 60 frames a second, as in the
// program.
//
//   playback_timing_benchmark [seconds per run, default 30] [event length ms, default 50]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include <atomic>

#include "engine/generator.h"
#include "engine/lattice_feed.h"
#include "engine/playback.h"
#include "engine/recording_backend.h"
#include "engine/refresh.h"
#include "engine/steady_clock.h"
#include "engine/virtual_clock.h"
#include "platform/os/realtime_thread.h"
#include "settings/defaults.h"

namespace {

using Ms = std::chrono::duration<double, std::milli>;

struct Figures {
    double mean, p99, max, last;  // absolute onset errors in ms; last = error of the final event
    double trend;                 // signed error at the end of the run by a least-squares line
};

void setUp(PlayerState& player, SettingsRecord& settings, int eventMs)
{
    fillBuiltInDefaults(settings);
    settings.layerIndex = 2;
    refreshAcceptedConcept(player, settings);
    put(player.alphaMs, eventMs);
    put(player.betaMs, eventMs);
}

// The ideal time of every message, from the same engine on a virtual clock.
std::vector<TimedMessage> idealRun(int eventMs, double seconds)
{
    VirtualClock clock;
    RecordingBackend port(clock);
    PlayerState player;
    SettingsRecord settings{};
    setUp(player, settings, eventMs);
    player.port.backend = &port;
    port.isOpen = true;
    put(player.playing, 1);
    LayerCounters counters{};
    Pacer pacer(clock);
    while (Ms(clock.now()).count() < seconds * 1000.0)
        playLayerCycle(player, counters, pacer, 2);
    return port.messages;
}

// Accumulated drift without the last wake-up's own jitter: the least-squares line through the
// signed errors, read at the last event, minus its value at the first.
double trendAtEnd(const std::vector<double>& x, const std::vector<double>& y)
{
    const double n = static_cast<double>(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double denominator = n * sxx - sx * sx;
    const double slope = denominator == 0 ? 0 : (n * sxy - sx * sy) / denominator;
    return slope * (x.back() - x.front());
}

Figures compare(const std::vector<TimedMessage>& real, const std::vector<TimedMessage>& ideal)
{
    const size_t count = std::min(real.size(), ideal.size());
    std::vector<double> errors, times, signedErrors;
    const auto start = real.front().time;
    double last = 0;
    for (size_t i = 0; i < count; ++i) {
        if ((ideal[i].status() & 0xF0) != 0x90)
            continue;  // onsets are note-ons
        const double error = Ms(real[i].time - start).count() - Ms(ideal[i].time).count();
        errors.push_back(std::fabs(error));
        times.push_back(Ms(ideal[i].time).count());
        signedErrors.push_back(error);
        last = error;
    }
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double e : errors)
        sum += e;
    return {sum / errors.size(), sorted[static_cast<size_t>(0.99 * (sorted.size() - 1))], sorted.back(), last,
            trendAtEnd(times, signedErrors)};
}

std::vector<TimedMessage> ourPlayback(int eventMs, double seconds)
{
    SteadyClock clock;
    RecordingBackend port(clock);
    PlayerState player;
    SettingsRecord settings{};
    setUp(player, settings, eventMs);
    player.port.backend = &port;
    Transport transport;
    transport.prepareThread = requestRealtimeScheduling;
    settings.midiDeviceId = -1;
    static LatticeFeed feed;
    player.latticeFeed.store(&feed, std::memory_order_release);
    std::atomic<bool> reading{true};
    std::thread reader([&] {  // the lattice view's polling
        LatticeNote note;
        while (reading.load()) {
            while (feed.next(note)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    });
    if (startPlaybackThread(transport, player, settings, clock) != 0)
        std::abort();
    startPlayback(transport, player);
    // A pass of three layers lasts well under 3 s, so every ideal message has been played by then.
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds + 3.0));
    stopPlayback(transport, player);
    shutdownPlayback(transport, player);
    reading.store(false);
    reader.join();
    return port.messages;
}

// Sends each message at its place in the list and sleeps each gap as a relative duration.
std::vector<TimedMessage> plainLoop(const std::vector<TimedMessage>& ideal)
{
    SteadyClock clock;
    RecordingBackend port(clock);
    port.isOpen = true;
    requestRealtimeScheduling();
    std::mutex lock;  // the same per-message locking the real port does
    Clock::Duration previous = ideal.front().time;
    for (const TimedMessage& message : ideal) {
        if (message.time > previous)
            std::this_thread::sleep_for(message.time - previous);
        previous = message.time;
        std::lock_guard<std::mutex> guard(lock);
        port.send(message.packed, kSendAtOnce);
    }
    return port.messages;
}

// The machine's own wake-up latency: absolute sleeps to the same grid, sending nothing else. No
// player can be more punctual than this.
std::vector<TimedMessage> bareSleeps(const std::vector<TimedMessage>& ideal)
{
    SteadyClock clock;
    RecordingBackend port(clock);
    port.isOpen = true;
    requestRealtimeScheduling();
    const Clock::Duration start = clock.now();
    for (const TimedMessage& message : ideal) {
        clock.sleepUntil(start + message.time);
        port.send(message.packed, kSendAtOnce);
    }
    return port.messages;
}

void print(const char* name, const Figures& f)
{
    std::printf("%-9s mean %7.3f ms   p99 %7.3f ms   max %7.3f ms   drift (last event) %+8.3f ms   trend %+7.3f ms\n",
                name, f.mean, f.p99, f.max, f.last, f.trend);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const int eventMs = argc > 2 ? std::atoi(argv[2]) : 50;
    std::printf("playback timing: %.0f s per run, layer-0 events of %d ms, 3 layers\n", seconds, eventMs);

    const std::vector<TimedMessage> ideal = idealRun(eventMs, seconds);
    std::vector<TimedMessage> ours = ourPlayback(eventMs, seconds);
    std::vector<TimedMessage> baseline = plainLoop(ideal);
    const std::vector<TimedMessage> floor = bareSleeps(ideal);
    ours.resize(std::min(ours.size(), ideal.size()));

    const Figures oursFigures = compare(ours, ideal);
    const Figures baselineFigures = compare(baseline, ideal);
    std::printf("onset error against the ideal grid, %zu messages:\n", ideal.size());
    print("ours", oursFigures);
    print("baseline", baselineFigures);
    print("floor", compare(floor, ideal));
    std::printf("RESULT ours p99 %.3f ms drift %+.3f ms | baseline p99 %.3f ms drift %+.3f ms\n", oursFigures.p99,
                oursFigures.last, baselineFigures.p99, baselineFigures.last);
    return 0;
}
