// link_phase_benchmark's run beside LinkHut (Link's own example peer), as Link's test plan case
// AUDIOENGINE-1 asks: LinkHut's click and ours (our notes on a JACK click synthesiser, whose
// sound goes to the speaker) are heard by the same ears in one JACK graph. Each click is judged a
// speaker latency later against the session's beats as our own peer knows them, and ours against
// LinkHut's nearest.
#include "benchmarks/link_phase_beside_linkhut.h"

#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/session_sync.h"
#include "engine/steady_clock.h"
#include "harness/child_process.h"
#include "harness/jack_clicks.h"
#include "harness/pty_program.h"
#include "harness/session_grid.h"
#include "platform/os/realtime_thread.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/link_session.h"
#include "platform/sound/system_midi_output.h"
#include "settings/defaults.h"

namespace {

using namespace std::chrono_literals;

struct Spread {
    size_t count = 0;
    double median = 0, p99 = 0, max = 0;  // µs
    size_t over = 0;                      // beyond the test plan's 3 ms
};

Spread spreadOf(std::vector<double> values, bool absolute)
{
    Spread s;
    if (values.empty())
        return s;
    if (absolute)
        for (double& v : values)
            v = std::abs(v);
    std::sort(values.begin(), values.end());
    s.count = values.size();
    s.median = values[values.size() / 2];
    s.p99 = values[std::min(values.size() - 1, static_cast<size_t>(0.99 * values.size()))];
    s.max = std::max(std::abs(values.front()), std::abs(values.back()));
    for (double v : values)
        s.over += std::abs(v) > 3000.0;
    return s;
}

void print(const char* name, const Spread& s)
{
    std::printf("%-44s %6zu %9.1f %9.1f %9.1f %6zu\n", name, s.count, s.median, s.p99, s.max, s.over);
}

int32_t deviceOf(SystemMidiOutput& output, const std::string& shown)
{
    const uint32_t count = output.portCount();
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (output.portName(i, name) && name == shown)
            return static_cast<int32_t>(i);
    }
    return -1;
}

}  // namespace

void reportBesideLinkHut(double seconds)
{
    if (!programExists("/usr/bin/LinkHut")) {
        std::printf("\nbeside LinkHut: not measured, LinkHut is not installed (ableton-link-utils)\n");
        return;
    }
    JackClickSynth synth("synth");
    JackOnsetEars ears("ears", {"hut", "ours"});
    jack_client_t* graph = ears.client();
    if (!synth.ok() || !ears.ok() || jack_connect(graph, "synth:out", "system:playback_1") != 0 ||
        jack_connect(graph, "synth:out", "ears:ours") != 0) {
        std::printf("\nbeside LinkHut: the click synthesiser or the ears cannot join the graph\n");
        return;
    }
    PtyProgram hut({"LinkHut"});
    if (!waitFor([&] { return jack_connect(graph, "LinkHut:out_1", "ears:hut") == 0; }, 5s)) {
        std::printf("\nbeside LinkHut: LinkHut did not join the JACK server\n");
        return;
    }
    jack_latency_range_t range{};
    jack_port_get_latency_range(jack_port_by_name(graph, "system:playback_1"), JackPlaybackLatency, &range);
    const MessageTime speaker(int64_t{range.max} * 1'000'000'000 / jack_get_sample_rate(graph));

    SystemMidiOutput output;
    SettingsRecord working{};
    fillBuiltInDefaults(working);
    working.numeral = 2.0;
    working.layerIndex = 1;
    working.alphaDuration = working.betaDuration = 480;  // 120 BPM at tempo 100, LinkHut's own
    working.tempo = 100;
    waitFor([&] { return deviceOf(output, "JACK: synth:midi_in") >= 0; }, 5s);
    working.midiDeviceId = deviceOf(output, "JACK: synth:midi_in");
    PlayerState player;
    Transport transport;
    SteadyClock clock;
    LinkSession link;
    SessionSync session;
    player.port.backend = &output;
    session.timeline = &link;
    transport.session = &session;
    transport.prepareThread = requestRealtimeScheduling;
    if (startPlaybackThread(transport, player, working, clock) != 0) {
        std::printf("\nbeside LinkHut: cannot open the synthesiser's port\n");
        return;
    }
    refreshAcceptedConcept(player, working);
    waitFor([&] { return portReportedLatency(player) == speaker; }, 5s);
    const MessageTime followed = portReportedLatency(player);

    session.linkOn = true;
    link.setEnabled(true);
    hut.type("a");
    waitFor([&] { return link.peerCount() > 0; }, 5s);
    hut.type(" ");
    SessionGrid grid;
    link.requestStart(clock.now() + portLatency(player) + 50ms);
    startPlayback(transport, player);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        grid.sample(link, clock.now());
        std::this_thread::sleep_for(2ms);
    }
    stopPlayback(transport, player);
    std::this_thread::sleep_for(300ms);
    shutdownPlayback(transport, player);
    link.setEnabled(false);

    const int64_t jackToSteady = -jackMinusSteadyNs();
    auto heard = [&](int64_t onset) { return Clock::Duration(onset + jackToSteady) + speaker; };
    auto judged = [&](int64_t onset) { return grid.errorUs(heard(onset)); };
    // Only the clicks while the grid was sampled: both peers playing, the session settled.
    std::vector<int64_t> hutOnsets, ourOnsets;
    for (int64_t onset : ears.onsets(0))
        if (grid.covers(heard(onset)))
            hutOnsets.push_back(onset);
    for (int64_t onset : ears.onsets(1))
        if (grid.covers(heard(onset)))
            ourOnsets.push_back(onset);
    std::vector<double> ours, theirs, apart;
    for (int64_t onset : ourOnsets) {
        ours.push_back(judged(onset));
        if (hutOnsets.empty())
            continue;
        const int64_t nearest = *std::min_element(hutOnsets.begin(), hutOnsets.end(), [onset](int64_t a, int64_t b) {
            return std::llabs(a - onset) < std::llabs(b - onset);
        });
        apart.push_back(static_cast<double>(onset - nearest) / 1000.0);
    }
    for (int64_t onset : hutOnsets)
        theirs.push_back(judged(onset));

    std::printf("\nBeside LinkHut (Link test plan AUDIOENGINE-1, tolerance 3 ms): clicks heard before the speaker,\n"
                "judged %.2f ms later (the speaker's latency; our port followed %.2f ms). Errors in µs.\n\n",
                std::chrono::duration<double, std::milli>(speaker).count(),
                std::chrono::duration<double, std::milli>(followed).count());
    std::printf("%-44s %6s %9s %9s %9s %6s\n", "click", "count", "median", "p99", "max", ">3 ms");
    print("ours: |off the session's beat|", spreadOf(ours, true));
    print("baseline: LinkHut's own: |off the beat|", spreadOf(theirs, true));
    print("ours minus LinkHut's nearest (signed median)", spreadOf(apart, false));
    std::printf("\n>3 ms: clicks beyond the test plan's tolerance. Target: ours none, the signed median within 3 ms.\n");
}
