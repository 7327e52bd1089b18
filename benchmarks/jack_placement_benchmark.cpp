// Where messages land on JACK's frame clock: our output, which writes each message at the frame of
// its intended time plus its placement latency, beside the same output sending every message "at once"
// (the first frame of the next cycle, as a JACK output without placement does). A thread wakes
// at each intended time and sends, as the playback thread does; a recording client notes each
// message's frame. It starts a private JACK dummy server (48 kHz, 256 frames).
//
//   jack_placement_benchmark [messages per run, default 1000]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/midi_port.h"
#include "platform/sound/jack_midi_output.h"
#include "platform/sound/midi_jack_probe.h"
#include "harness/child_process.h"
#include "harness/jack_recorder.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

struct Figures {
    double offset;            // mean of (landed - due), ms
    double jitter, p99, max;  // spread around that mean: standard deviation, p99 and max, ms
    double withinFrame;       // share of messages within one frame of that mean, %
    size_t landed;
    int xruns;
};

// Sends `count` note-ons on an uneven grid (10 to 16 ms apart), each when its time comes.
Figures run(const char* name, bool placed, int count)
{
    JackRecorder recorder(name);
    JackMidiOutput output;
    if (!recorder.ok() || output.open(std::string(name) + ":input") != MidiResult::Ok) {
        std::fprintf(stderr, "cannot connect to the recorder\n");
        std::exit(1);
    }
    std::vector<int64_t> due;  // on JACK's clock, ns
    auto at = SteadyClock::now() + 100ms;
    for (int i = 0; i < count; ++i) {
        at += 10ms + (i % 7) * 1ms;
        std::this_thread::sleep_until(at);
        const auto now = SteadyClock::now().time_since_epoch();
        const int64_t jackNow = static_cast<int64_t>(jack_get_time()) * 1000;
        const MessageTime intended = at.time_since_epoch();
        output.send(packShortMessage(0x90, 60, 100), placed ? intended : kSendAtOnce);
        due.push_back(jackNow + (intended + output.placementLatency() - now).count());
    }
    std::this_thread::sleep_for(300ms);
    const std::vector<JackRecorder::Event> events = recorder.events();
    std::vector<double> errors;
    for (size_t i = 0; i < events.size() && i < due.size(); ++i)
        errors.push_back((events[i].timeNs - due[i]) / 1e6);
    Figures figures{0, 0, 0, 0, 0, events.size(), recorder.xruns()};
    if (errors.empty())
        return figures;
    for (double e : errors)
        figures.offset += e / errors.size();
    std::vector<double> spread;
    const double frameMs = 1000.0 / jack_get_sample_rate(recorder.client());
    for (double e : errors) {
        figures.jitter += (e - figures.offset) * (e - figures.offset) / errors.size();
        spread.push_back(std::fabs(e - figures.offset));
        figures.withinFrame += spread.back() <= frameMs ? 100.0 / errors.size() : 0;
    }
    figures.jitter = std::sqrt(figures.jitter);
    std::sort(spread.begin(), spread.end());
    figures.p99 = spread[spread.size() * 99 / 100];
    figures.max = spread.back();
    return figures;
}

void print(const char* label, const Figures& f)
{
    std::printf("%-9s jitter %6.3f ms  p99 %6.3f ms  max %6.3f ms  within a frame %5.1f %%  mean offset %+7.3f ms"
                "  (%zu landed, %d xruns)\n",
                label, f.jitter, f.p99, f.max, f.withinFrame, f.offset, f.landed, f.xruns);
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const std::string server = "pulselattice-bench-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    const std::string directory = makeTestDirectory();
    ChildProcess jackd({"jackd", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"}, directory + "/jackd.log");
    if (!waitFor([] { return jackServerAnswers(); }, 10s)) {
        std::fprintf(stderr, "the JACK dummy server does not start:\n%s", jackd.log().c_str());
        return 1;
    }
    std::printf("%d messages per run, 48 kHz, 256-frame periods, latency %.2f ms\n", count,
                std::chrono::duration<double, std::milli>(jackPlacementLatency(256, 48000)).count());
    const Figures ours = run("placed", true, count);
    const Figures baseline = run("atonce", false, count);
    print("ours", ours);
    print("baseline", baseline);
    std::printf("RESULT jitter ours %.3f ms, baseline %.3f ms; max ours %.3f ms, baseline %.3f ms\n", ours.jitter,
                baseline.jitter, ours.max, baseline.max);
    jackd.stop();
    removeTestDirectory(directory);
    return 0;
}
