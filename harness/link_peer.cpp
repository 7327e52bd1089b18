// link_peer: an independent Link peer for tests and benchmarks, on Link itself (not on the
// program's code). It joins the session with start/stop sync, plays out a script of tempo changes,
// starts and stops, and prints what it sees of the session, one line per change.
//
//   link_peer [--tempo BPM] [--for SECONDS] [STEP ...]
//   STEP: SECONDS:tempo=BPM | SECONDS:start | SECONDS:stop
//
// Step times count from the moment the first other peer is seen. Lines, with the milliseconds
// since that moment (negative before it):
//   found MS         another peer was seen MS ms after joining
//   peers N | tempo BPM | playing 0|1
//   done
#include <ableton/Link.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Step {
    double at = 0.0;  // seconds after the first peer was seen
    std::string what;
};

using SteadyTime = std::chrono::steady_clock::time_point;

}  // namespace

int main(int argc, char** argv)
{
    double bpm = 120.0;
    double runFor = 10.0;
    std::vector<Step> steps;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--tempo" && i + 1 < argc) {
            bpm = std::atof(argv[++i]);
        } else if (arg == "--for" && i + 1 < argc) {
            runFor = std::atof(argv[++i]);
        } else if (const size_t colon = arg.find(':'); colon != std::string::npos) {
            steps.push_back({std::atof(arg.substr(0, colon).c_str()), arg.substr(colon + 1)});
        } else {
            std::fprintf(stderr, "usage: link_peer [--tempo BPM] [--for SECONDS] [SECONDS:tempo=BPM|start|stop ...]\n");
            return 2;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    ableton::Link link(bpm);
    link.enableStartStopSync(true);
    const SteadyTime joined = std::chrono::steady_clock::now();
    link.enable(true);

    bool found = false;
    SteadyTime foundAt = joined;
    size_t nextStep = 0;
    std::size_t shownPeers = 0;
    double shownTempo = -1.0;
    int shownPlaying = -1;
    for (;;) {
        const SteadyTime now = std::chrono::steady_clock::now();
        const auto since = [&](SteadyTime t) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(now - t).count();
        };
        const std::size_t peers = link.numPeers();
        if (!found && peers > 0) {
            found = true;
            foundAt = now;
            std::printf("found %lld\n", static_cast<long long>(since(joined)));
        }
        const long long stamp = since(foundAt);
        if (found && nextStep < steps.size() &&
            now >= foundAt + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(steps[nextStep].at))) {
            const std::string& what = steps[nextStep++].what;
            auto state = link.captureAppSessionState();
            const auto linkNow = link.clock().micros();
            if (what.rfind("tempo=", 0) == 0)
                state.setTempo(std::atof(what.c_str() + 6), linkNow);
            else if (what == "start")
                state.setIsPlayingAndRequestBeatAtTime(true, linkNow, 0.0, 4.0);
            else if (what == "stop")
                state.setIsPlaying(false, linkNow);
            link.commitAppSessionState(state);
            std::printf("%lld step %s\n", stamp, what.c_str());
        }
        const auto state = link.captureAppSessionState();
        if (peers != shownPeers) {
            shownPeers = peers;
            std::printf("%lld peers %zu\n", stamp, peers);
        }
        if (state.tempo() != shownTempo) {
            shownTempo = state.tempo();
            std::printf("%lld tempo %.2f\n", stamp, shownTempo);
        }
        if (static_cast<int>(state.isPlaying()) != shownPlaying) {
            shownPlaying = state.isPlaying() ? 1 : 0;
            std::printf("%lld playing %d\n", stamp, shownPlaying);
        }
        if (since(found ? foundAt : joined) > static_cast<long long>(runFor * 1000))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("done\n");
    link.enable(false);
    return 0;
}
