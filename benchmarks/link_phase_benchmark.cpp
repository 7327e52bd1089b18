// Phase against a Link session: the program's playback thread follows a session that a second
// peer (harness/link_peer, in a process of its own) shares and changes the tempo of twice; a
// recording client on a private JACK dummy server (48 kHz, 256 frames) notes the frame of every
// note-on and clock tick. Each is judged against the session's grid as our peer knows it around
// that moment. Beside it, the same run with Link off (durations summed at the starting tempo),
// judged against the same kind of session: what following the session buys. Last, our click
// beside LinkHut's, heard in one JACK graph (link_phase_beside_linkhut.cpp).
//
//   link_phase_benchmark [seconds per run, default 12]
#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/link_phase_beside_linkhut.h"
#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/session_sync.h"
#include "engine/steady_clock.h"
#include "harness/child_process.h"
#include "harness/jack_recorder.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/link_session.h"
#include "platform/sound/midi_jack_probe.h"
#include "platform/sound/system_midi_output.h"
#include "settings/defaults.h"

namespace {

using namespace std::chrono_literals;

constexpr double kFrameUs = 1e6 / 48000.0;

struct GridSample {
    Clock::Duration time;
    double beat, bpm;
};

struct Figures {
    size_t notes = 0;
    double mean = 0, p99 = 0, max = 0;  // |phase error| of note-ons, µs
    size_t offAfterChange = 0;          // note-ons after a tempo change more than a frame off
    size_t ticks = 0;
    double tickMean = 0, tickP99 = 0, tickMax = 0;  // |tick spacing - 1/24 beat|, µs
    bool startOnBar = false;
    int xruns = 0;
};

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * values.size()))];
}

double mean(const std::vector<double>& values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / values.size();
}

class Run {
public:
    Run(bool follow, double seconds) : follow_(follow), seconds_(seconds) {}

    Figures go()
    {
        JackRecorder recorder("rec");
        SystemMidiOutput output;
        if (!recorder.ok()) {
            std::fprintf(stderr, "the recorder cannot join the JACK server\n");
            std::exit(1);
        }
        SettingsRecord working{};
        fillBuiltInDefaults(working);
        working.numeral = 2.0;
        working.layerIndex = 1;
        working.alphaDuration = working.betaDuration = 480;  // 500 ms at tempo 100: 120 BPM
        working.tempo = 100;
        const uint32_t count = output.portCount();
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (output.portName(i, name) && name == "JACK: rec:input")
                working.midiDeviceId = static_cast<int32_t>(i);
        }
        PlayerState player;
        Transport transport;
        SteadyClock clock;
        LinkSession link;
        SessionSync session;
        player.port.backend = &output;
        session.timeline = &link;
        session.clockOn = true;
        session.linkOn = follow_;
        transport.session = &session;
        link.setEnabled(true);
        if (startPlaybackThread(transport, player, working, clock) != 0) {
            std::fprintf(stderr, "cannot open the recorder's port\n");
            std::exit(1);
        }
        refreshAcceptedConcept(player, working);

        const std::string log = "/tmp/pulselattice-link-phase-peer.log";
        ChildProcess peer({LINK_PEER_PROGRAM, "--tempo", "120", "--for", std::to_string(seconds_ + 3), "4:tempo=97",
                           "8:tempo=133"},
                          log);
        if (!waitFor([&] { return link.peerCount() > 0; }, 5s)) {
            std::fprintf(stderr, "the peer was not found: %s\n", peer.log().c_str());
            std::exit(1);
        }
        std::this_thread::sleep_for(300ms);
        if (follow_)
            link.requestStart(clock.now() + portLatency(player) + 50ms);
        startPlayback(transport, player);
        std::vector<Clock::Duration> changes;  // when a new tempo was first seen here
        double lastBpm = link.tempo();
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds_);
        while (std::chrono::steady_clock::now() < end) {
            const Clock::Duration now = clock.now();
            grid_.push_back({now, link.beatAtTime(now, kBarBeats), link.tempo()});
            if (std::abs(grid_.back().bpm - lastBpm) > 1e-6) {
                lastBpm = grid_.back().bpm;
                changes.push_back(now);
            }
            std::this_thread::sleep_for(2ms);
        }
        stopPlayback(transport, player);
        sendShortMessage(player, kMidiClockStop, 0, 0);
        std::this_thread::sleep_for(300ms);
        shutdownPlayback(transport, player);

        Figures figures;
        figures.xruns = recorder.xruns();
        std::vector<double> notes, ticks;
        Clock::Duration lastTick{};
        bool first = true;
        const int64_t jackToSteady = -jackMinusSteadyNs();
        for (const JackRecorder::Event& event : recorder.events()) {
            const unsigned long status = std::stoul(event.bytes.substr(0, 2), nullptr, 16);
            const Clock::Duration t(event.timeNs + jackToSteady);
            if ((status & 0xF0) == 0x90) {
                const double error = errorUs(t, 1);
                if (first) {
                    figures.startOnBar = std::abs(error) <= kFrameUs && std::fmod(std::round(beatAt(t)), 4.0) == 0;
                    first = false;
                }
                // A note sent before a change was seen here is in flight on the old grid.
                bool inFlight = false;
                for (Clock::Duration change : changes)
                    inFlight |= t > change - 50ms && t < change + 100ms;
                if (inFlight)
                    continue;
                notes.push_back(std::abs(error));
                bool afterChange = false;
                for (Clock::Duration change : changes)
                    afterChange |= t >= change + 100ms;
                figures.offAfterChange += afterChange && std::abs(error) > kFrameUs;
            } else if (status == kMidiClockTick) {
                if (lastTick != Clock::Duration{}) {
                    const GridSample& s = nearest(t);
                    const double due = 60e6 / s.bpm / kClockTicksPerBeat;
                    ticks.push_back(std::abs((t - lastTick).count() / 1000.0 - due));
                }
                lastTick = t;
            }
        }
        // Tick spacings across a tempo change mix two grids: left out.
        figures.notes = notes.size();
        figures.mean = mean(notes);
        figures.p99 = percentile(notes, 0.99);
        figures.max = notes.empty() ? 0 : *std::max_element(notes.begin(), notes.end());
        std::sort(ticks.begin(), ticks.end());
        if (ticks.size() > 4)
            ticks.resize(ticks.size() - 2 * changes.size());
        figures.ticks = ticks.size();
        figures.tickMean = mean(ticks);
        figures.tickP99 = percentile(ticks, 0.99);
        figures.tickMax = ticks.empty() ? 0 : ticks.back();
        return figures;
    }

private:
    const GridSample& nearest(Clock::Duration t) const
    {
        const GridSample* best = &grid_.front();
        for (const GridSample& s : grid_)
            if (std::llabs((s.time - t).count()) < std::llabs((best->time - t).count()))
                best = &s;
        return *best;
    }
    double beatAt(Clock::Duration t) const
    {
        const GridSample& s = nearest(t);
        return s.beat + static_cast<double>((t - s.time).count()) * s.bpm / 60e9;
    }
    // Distance from the nearest of `perBeat` grid points per beat, µs.
    double errorUs(Clock::Duration t, int perBeat) const
    {
        const double beat = beatAt(t);
        const double onGrid = std::round(beat * perBeat) / perBeat;
        return (beat - onGrid) * 60e6 / nearest(t).bpm;
    }

    bool follow_;
    double seconds_;
    std::vector<GridSample> grid_;
};

void print(const char* name, const Figures& f)
{
    std::printf("%-34s %6zu %9.1f %9.1f %9.1f %7zu   %6zu %8.1f %8.1f %9.1f   %-5s %5d\n", name, f.notes, f.mean, f.p99,
                f.max, f.offAfterChange, f.ticks, f.tickMean, f.tickP99, f.tickMax, f.startOnBar ? "yes" : "no",
                f.xruns);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;
    if (!programExists("/usr/bin/jackd")) {
        std::fprintf(stderr, "jackd2 is not installed (scripts/setup installs it)\n");
        return 1;
    }
    const std::string serverName = "pulselattice-link-phase-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", serverName.c_str(), 1);
    ChildProcess server({"jackd", "-n", serverName, "-d", "dummy", "-r", "48000", "-p", "256"},
                        "/tmp/pulselattice-link-phase-jackd.log");
    if (!waitFor([] { return jackServerAnswers(); }, 10s)) {
        std::fprintf(stderr, "the JACK dummy server does not start: %s\n", server.log().c_str());
        return 1;
    }
    std::printf("Phase against a Link session (a peer changes the tempo 120 -> 97 -> 133 BPM), %.0f s per run,\n"
                "JACK dummy 48 kHz / 256 frames; one frame is %.1f µs. Errors in µs.\n\n",
                seconds, kFrameUs);
    std::printf("%-34s %6s %9s %9s %9s %7s   %6s %8s %8s %9s   %-5s %5s\n", "run", "notes", "mean", "p99", "max",
                "off", "ticks", "mean", "p99", "max", "bar", "xruns");
    print("Link on: the session's beats", Run(true, seconds).go());
    print("baseline: Link off, durations summed", Run(false, seconds).go());
    std::printf("\nnotes: |phase error| of each note-on against the session's beat grid; off: note-ons after\n"
                "a tempo change more than a frame off the new grid; ticks: |spacing - 1/24 beat|; bar: the\n"
                "first note-on on a bar line. Targets: p99 within one frame, none off, start on the bar.\n");
    reportBesideLinkHut(seconds);
    return 0;
}
