// How soon a mute from a controller reaches the playback thread: a note-on bound to "mute layer 1"
// sent by a JACK client into "pulseLattice:control", beside the same mute from the lattice
// window's key "1" posted to the window. Both run through the program's own path on a Qt event
// loop (the control input's queue, eventfd and socket notifier; the window's key handler) into
// the layer mask, where a thread standing for the playback thread notes when it sees the change.
// The control message's time starts when the sender writes it at our input (the same JACK cycle
// delivers it); the key's when it is posted. Target: under 5 ms. A private JACK dummy server.
//
//   control_latency_benchmark [mutes of each kind, default 200]
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/control/control_desk.h"
#include "engine/lattice_feed.h"
#include "engine/steady_clock.h"
#include "harness/jack_sender.h"
#include "harness/private_jack_server.h"
#include "platform/qt/qt_control_input.h"
#include "platform/qt/qt_lattice_view.h"
#include "platform/qt/qt_shell_platform.h"
#include "platform/sound/control_ports.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/system_midi_output.h"

namespace {

int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The playback thread's side: reads the mask as a note-on does, and notes when it changed.
class MaskWatcher {
public:
    explicit MaskWatcher(const std::atomic<uint32_t>& mask) : mask_(mask), thread_([this] { run(); }) {}
    ~MaskWatcher()
    {
        quit_ = true;
        thread_.join();
    }
    int changes() const { return changes_.load(std::memory_order_acquire); }
    int64_t lastChangeNs() const { return lastChangeNs_.load(std::memory_order_acquire); }

private:
    void run()
    {
        uint32_t seen = mask_.load(std::memory_order_relaxed);
        while (!quit_) {
            const uint32_t now = mask_.load(std::memory_order_relaxed);
            if (now != seen) {
                seen = now;
                lastChangeNs_.store(steadyNs(), std::memory_order_release);
                changes_.fetch_add(1, std::memory_order_release);
            }
            std::this_thread::yield();
        }
    }
    const std::atomic<uint32_t>& mask_;
    std::atomic<bool> quit_{false};
    std::atomic<int> changes_{0};
    std::atomic<int64_t> lastChangeNs_{0};
    std::thread thread_;
};

void printFigures(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-34s no mute arrived\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) { return ms[std::min(ms.size() - 1, static_cast<size_t>(share * ms.size()))]; };
    const size_t within = static_cast<size_t>(std::count_if(ms.begin(), ms.end(), [](double v) { return v < 5.0; }));
    std::printf("%-34s %5zu  %7.3f  %7.3f  %7.3f  %7.3f  %6.1f%%\n", what, ms.size(), at(0.5), at(0.95), at(0.99),
                ms.back(), 100.0 * within / ms.size());
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    if (!PrivateJackServer::installed()) {
        std::fprintf(stderr, "jackd2 is not installed (scripts/setup installs it)\n");
        return 1;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string directory = makeTestDirectory();
    PrivateJackServer server(directory, "control-bench");
    if (!server.start()) {
        std::fprintf(stderr, "the JACK dummy server does not start:\n%s", server.log().c_str());
        return 1;
    }
    QApplication qtApp(argc, argv);
    QtShellPlatform shell;
    SystemMidiOutput output;
    SteadyClock clock;
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;  // no path: nothing is written
    LatticeFeed feed;
    AppContext app{shell, player, transport, working, defaults, parameterFile, output, clock};
    shell.setLatticeSources(&app, &feed);
    shell.showLatticeView();
    QtLatticeView* view = shell.latticeView();

    ControlPorts ports;
    ports.open();
    ControlDesk desk(app);
    desk.setBindings({{ControlAction::FirstMute, {ControlSource::Note, 0, 36}}});
    QtControlInput input(ports, desk, [] {});
    JackSender sender("control-bench");
    if (!view || !ports.jackOpen() || !sender.ok() || !sender.connectTo(std::string(kJackClientName) + ":control")) {
        std::fprintf(stderr, "cannot set up the lattice window, the control input or the sender\n");
        return 1;
    }
    MaskWatcher watcher(player.mutedLayers);

    std::vector<double> fromControl, fromKey;
    int trial = 0;
    int changesBefore = 0;
    int64_t keyPostedNs = 0;
    bool waiting = false;
    QTimer step;
    // Every 20 ms: note the last mute's figure, then start the next, control and key in turn.
    QObject::connect(&step, &QTimer::timeout, [&] {
        if (waiting && watcher.changes() > changesBefore) {
            const bool control = trial % 2 == 1;
            const int64_t start = control ? sender.lastWrittenNs() : keyPostedNs;
            (control ? fromControl : fromKey).push_back((watcher.lastChangeNs() - start) / 1e6);
        }
        if (trial == 2 * count) {
            qtApp.quit();
            return;
        }
        changesBefore = watcher.changes();
        waiting = true;
        if (trial++ % 2 == 0) {
            sender.send({0x90, 36, 100});
        } else {
            keyPostedNs = steadyNs();
            QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1"));
        }
    });
    step.start(20);
    qtApp.exec();

    std::printf("mute of layer 1 until the playback thread sees it, ms (target: under 5 ms)\n");
    std::printf("%-34s %5s  %7s  %7s  %7s  %7s  %7s\n", "", "n", "median", "p95", "p99", "max", "<5 ms");
    printFigures("note-on at the control input", fromControl);
    printFigures("key \"1\" posted to the lattice window", fromKey);
    ports.close();
    removeTestDirectory(directory);
    return 0;
}
